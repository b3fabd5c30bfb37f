// The change log beside a backup file: written with every backup, read back
// by a restore of that backup.
#include "db/changelog.h"

#include "db/backupscript.h"
#include "db/dberror.h"
#include "db/dbmanager.h"
#include "db/storedbaccess.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextCodec>
#include <QTextStream>
#include <QVariant>

namespace ChangeLog {

namespace {

const QStringList &Columns()
{
    static const QStringList columns{QStringLiteral("store_no"),   QStringLiteral("change_time"),
                                     QStringLiteral("account"),    QStringLiteral("page"),
                                     QStringLiteral("row_serial"), QStringLiteral("column_name"),
                                     QStringLiteral("old_text"),   QStringLiteral("new_text"),
                                     QStringLiteral("action"),     QStringLiteral("row_count")};
    return columns;
}

Result Exec(QSqlQuery &q, const QVariantList &values, const QString &what)
{
    for (const QVariant &v : values) // a null text would be bound as NULL, which equals nothing
        q.addBindValue(v.type() == QVariant::String && v.isNull() ? QVariant(QStringLiteral("")) : v);
    if (q.exec())
        return Result::Ok();
    return Result::Fail(QStringLiteral("%1: %2").arg(what, DbError::Reason(q.lastError())));
}

// Asked of the catalog (a failed probe would abort a PostgreSQL transaction),
// in the schema the program works in.
bool HasTable()
{
    DbManager *manager = StoreDbAccess::Instance()->dbManager();
    return manager && manager->UserTables().contains(QLatin1String(Table), Qt::CaseInsensitive);
}

} // namespace

QString HistoryFileFor(const QString &backupPath)
{
    QString path = backupPath;
    if (path.endsWith(QLatin1String(".sql"), Qt::CaseInsensitive))
        path.chop(4);
    return path + QStringLiteral("_history.sql");
}

Result Dump(const QString &backupPath)
{
    StoreDbAccess *store = StoreDbAccess::Instance();
    if (!store->dbManager())
        return Result::Fail(QStringLiteral("数据库未连接"));
    const QString path = HistoryFileFor(backupPath);
    if (QFileInfo::exists(path))
        return Result::Fail(QStringLiteral("文件 %1 已存在，未覆盖").arg(path));
    QSqlDatabase db = store->dbManager()->Connection();
    // A database that could not take the log (opened read-only) has none to keep.
    if (!HasTable())
        return Result::Ok();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("select %1 from tb_change_log where store_no=? order by id")
                  .arg(Columns().join(QLatin1Char(','))));
    const Result read = Exec(q, {store->storeNo()}, QStringLiteral("无法读取修改记录"));
    if (!read)
        return read;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Result::Fail(QStringLiteral("无法写入修改记录文件 %1: %2").arg(path, file.errorString()));
    QTextStream out(&file);
    out.setCodec(QTextCodec::codecForName("UTF-8"));
    while (q.next()) {
        const QSqlRecord rec = q.record();
        QStringList values;
        for (int i = 0; i < rec.count(); ++i)
            values << BackupScript::FormatValue(rec.field(i));
        out << BackupScript::InsertLine(QLatin1String(Table), Columns(), values) << '\n';
    }
    out.flush();
    if (q.lastError().isValid())
        return Result::Fail(QStringLiteral("无法读取修改记录: %1").arg(DbError::Reason(q.lastError())));
    if (out.status() != QTextStream::Ok || !file.commit())
        return Result::Fail(QStringLiteral("无法写入修改记录文件 %1: %2").arg(path, file.errorString()));
    return Result::Ok();
}

Result RestoreWithin(QSqlDatabase db, const QString &backupPath, int restoredRows)
{
    if (!HasTable())
        return Result::Ok();
    const QString storeNo = StoreDbAccess::Instance()->storeNo();
    const QString marks = QStringLiteral("?,").repeated(Columns().size() - 1) + QLatin1Char('?');
    QSqlQuery insert(db), seen(db);
    insert.prepare(QStringLiteral("insert into tb_change_log(%1) values(%2)")
                       .arg(Columns().join(QLatin1Char(',')), marks));
    seen.prepare(QStringLiteral("select count(*) from tb_change_log where store_no=? and change_time=? and "
                                "account=? and page=? and row_serial=? and column_name=? and action=?"));
    QFile file(HistoryFileFor(backupPath));
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            return Result::Fail(
                QStringLiteral("无法读取修改记录文件 %1: %2").arg(file.fileName(), file.errorString()));
        QTextStream in(&file);
        in.setCodec(QTextCodec::codecForName("UTF-8"));
        for (const BackupScript::ScriptLine &line : BackupScript::Statements(in.readAll())) {
            BackupScript::Insert row;
            // Only entries of the log, in its own columns; anything else is not read.
            if (!BackupScript::ParseInsert(line.text, row) || row.table != QLatin1String(Table)
                || row.columns != Columns() || row.values.size() != Columns().size())
                continue;
            QVariantList values;
            for (const BackupScript::Value &v : row.values)
                values << (v.kind == BackupScript::Value::Number ? QVariant(v.text.toInt())
                                                                 : QVariant(v.text));
            values[0] = storeNo; // the store restored into, as its rows are
            const Result looked =
                Exec(seen, values.mid(0, 6) << values.at(8), QStringLiteral("无法读取修改记录"));
            if (!looked)
                return looked;
            const bool known = seen.next() && seen.value(0).toInt() > 0;
            seen.finish();
            if (known)
                continue;
            const Result added = Exec(insert, values, QStringLiteral("无法还原修改记录"));
            if (!added)
                return added;
        }
    }
    return Exec(insert,
                {storeNo, QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss:zzz")),
                 Account(), QString(), QString(), QString(), QString(), QFileInfo(backupPath).fileName(),
                 QStringLiteral("restore"), restoredRows},
                QStringLiteral("无法写入修改记录"));
}

} // namespace ChangeLog
