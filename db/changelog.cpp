// The change log's table: created beside the program's tables, written in the
// transaction of the change it records, read back for the history views.
#include "db/changelog.h"

#include "db/dberror.h"
#include "db/dbmanager.h"
#include "db/sqldialect.h"
#include "db/storedbaccess.h"
#include "db/transactionguard.h"

#include <QDate>
#include <QDateTime>
#include <QMutex>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace ChangeLog {

const char *const Table = "tb_change_log";

namespace {

const QString kInsert = QStringLiteral(
    "insert into tb_change_log(store_no,change_time,account,page,row_serial,column_name,old_text,new_text,"
    "action,row_count) values(?,?,?,?,?,?,?,?,?,?)");

QMutex g_accountLock;
QString g_account;

thread_local int t_oneChange = 0;

struct OneChange
{
    OneChange() { ++t_oneChange; }
    ~OneChange() { --t_oneChange; }
};

QString Now() { return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss:zzz")); }

Result Failed(const QString &what, const QSqlQuery &q)
{
    return Result::Fail(QStringLiteral("%1: %2").arg(what, DbError::Reason(q.lastError())));
}

} // namespace

void SetAccount(const QString &account)
{
    QMutexLocker lock(&g_accountLock);
    g_account = account;
}

QString Account()
{
    QMutexLocker lock(&g_accountLock);
    return g_account;
}

bool InOneChange() { return t_oneChange > 0; }

Result CreateTable(QSqlDatabase db)
{
    if (!db.isOpen())
        return Result::Fail(QStringLiteral("数据库未连接"));
    const SqlDialect &dialect = SqlDialect::Of(db);
    QSqlQuery q(db);
    // A select of no rows answers whether the table is there on every server.
    if (q.exec(QStringLiteral("select id from tb_change_log where 1=0")))
        return Result::Ok();
    const QStringList names{QStringLiteral("store_no"),   QStringLiteral("change_time"),
                            QStringLiteral("account"),    QStringLiteral("page"),
                            QStringLiteral("row_serial"), QStringLiteral("column_name"),
                            QStringLiteral("old_text"),   QStringLiteral("new_text"),
                            QStringLiteral("action"),     QStringLiteral("row_count")};
    const QString vc = QStringLiteral("VARCHAR(50)");
    const QString nv = QStringLiteral("NVARCHAR(MAX)");
    const QStringList types{vc,
                            QStringLiteral("VARCHAR(30)"),
                            vc,
                            vc,
                            vc,
                            vc,
                            nv,
                            nv,
                            QStringLiteral("VARCHAR(20)"),
                            QStringLiteral("int")};
    const QString create =
        dialect.Translate(DbManager::CreateTableStatement(QLatin1String(Table), names, types, false));
    if (!q.exec(create))
        return Failed(QStringLiteral("无法建立修改记录表"), q);
    // A row's history and a period's changes are read by these.
    if (dialect.indexIfNotExists) {
        q.exec(QStringLiteral(
            "create index if not exists ix_change_time on tb_change_log(store_no, change_time)"));
        q.exec(QStringLiteral(
            "create index if not exists ix_change_row on tb_change_log(store_no, page, row_serial)"));
    }
    return Result::Ok();
}

Result Record(const std::function<Result()> &write, QList<ChangeEntry> entries)
{
    StoreDbAccess *store = StoreDbAccess::Instance();
    DbManager *manager = store->dbManager();
    if (!manager)
        return Result::Fail(QStringLiteral("数据库未连接"));
    QSqlDatabase db = manager->Connection();
    TransactionGuard tx(db);
    if (!tx.IsActive())
        return Result::Fail(QStringLiteral("无法开始事务: %1").arg(tx.error()));
    {
        OneChange one;
        const Result written = write();
        if (!written)
            return written; // the guard rolls back
    }
    if (!entries.isEmpty()) {
        QString error;
        QSqlQuery *insert = manager->Statement(kInsert, error);
        if (!insert)
            return Result::Fail(QStringLiteral("无法写入修改记录: %1").arg(error));
        const QString now = Now();
        const QString account = Account();
        for (ChangeEntry &e : entries) {
            for (const QVariant &v : {QVariant(store->storeNo()), QVariant(e.time.isEmpty() ? now : e.time),
                                      QVariant(e.account.isEmpty() ? account : e.account), QVariant(e.page),
                                      QVariant(e.serial), QVariant(e.column), QVariant(e.oldText),
                                      QVariant(e.newText), QVariant(e.action), QVariant(e.rows)}) {
                // A null text would be stored as NULL; the log holds texts.
                insert->addBindValue(v.type() == QVariant::String && v.isNull() ? QVariant(QStringLiteral(""))
                                                                                : v);
            }
            if (!insert->exec())
                return Failed(QStringLiteral("无法写入修改记录"), *insert);
        }
    }
    if (!tx.Commit())
        return Result::Fail(QStringLiteral("保存未能提交: %1").arg(tx.error()));
    return Result::Ok();
}

Result Read(const Filter &filter, QList<ChangeEntry> *out)
{
    StoreDbAccess *store = StoreDbAccess::Instance();
    if (!store->dbManager())
        return Result::Fail(QStringLiteral("数据库未连接"));
    QString sql =
        QStringLiteral("select id,change_time,account,page,row_serial,column_name,old_text,new_text,"
                       "action,row_count from tb_change_log where store_no=?");
    QVariantList values{store->storeNo()};
    if (!filter.from.isEmpty()) {
        if (!QDate::fromString(filter.from, QStringLiteral("yyyy-MM-dd")).isValid())
            return Result::Fail(QStringLiteral("起始日期“%1”无效，应为 yyyy-MM-dd").arg(filter.from));
        sql += QStringLiteral(" and change_time>=?");
        values << filter.from;
    }
    if (!filter.to.isEmpty()) {
        const QDate to = QDate::fromString(filter.to, QStringLiteral("yyyy-MM-dd"));
        if (!to.isValid())
            return Result::Fail(QStringLiteral("截止日期“%1”无效，应为 yyyy-MM-dd").arg(filter.to));
        // Times carry hours after the day: the day after, exclusive.
        sql += QStringLiteral(" and change_time<?");
        values << to.addDays(1).toString(QStringLiteral("yyyy-MM-dd"));
    }
    const std::pair<const char *, const QString *> exact[] = {{" and account=?", &filter.account},
                                                              {" and page=?", &filter.page},
                                                              {" and row_serial=?", &filter.serial}};
    for (const auto &e : exact) {
        if (!e.second->isEmpty()) {
            sql += QLatin1String(e.first);
            values << *e.second;
        }
    }
    sql += QStringLiteral(" order by id");
    QSqlQuery q(store->dbManager()->Connection());
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        return Failed(QStringLiteral("无法读取修改记录"), q);
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec())
        return Failed(QStringLiteral("无法读取修改记录"), q);
    QList<ChangeEntry> rows;
    while (q.next()) {
        ChangeEntry e;
        e.id = q.value(0).toLongLong();
        e.time = q.value(1).toString();
        e.account = q.value(2).toString();
        e.page = q.value(3).toString();
        e.serial = q.value(4).toString();
        e.column = q.value(5).toString();
        e.oldText = q.value(6).toString();
        e.newText = q.value(7).toString();
        e.action = q.value(8).toString();
        e.rows = q.value(9).toInt();
        rows.append(e);
    }
    if (q.lastError().isValid())
        return Failed(QStringLiteral("无法读取修改记录"), q);
    out->append(rows);
    return Result::Ok();
}

Filter VisibleTo(Filter filter, const QString &account, int userType)
{
    if (userType != 1 && userType != 2)
        filter.account = account;
    return filter;
}

QString Csv(const QList<ChangeEntry> &entries)
{
    const auto field = [](const QString &text) {
        // Quoted when a reader would otherwise split or join it; a leading
        // formula sign is defused so a spreadsheet shows the text.
        QString t = text;
        bool number = false;
        t.toDouble(&number);
        if (!number && !t.isEmpty() && QStringLiteral("=+-@").contains(t.at(0)))
            t.prepend(QLatin1Char('\''));
        if (t.contains(QLatin1Char(',')) || t.contains(QLatin1Char('"')) || t.contains(QLatin1Char('\n'))
            || t.contains(QLatin1Char('\r')) || t != text)
            return QLatin1Char('"') + t.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
        return t;
    };
    QString csv = QStringLiteral("time,account,page,serial,column,old,new,action,rows\n");
    for (const ChangeEntry &e : entries) {
        QStringList fields;
        for (const QString *t :
             {&e.time, &e.account, &e.page, &e.serial, &e.column, &e.oldText, &e.newText, &e.action})
            fields << field(*t);
        fields << QString::number(e.rows);
        csv += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    return csv;
}

} // namespace ChangeLog
