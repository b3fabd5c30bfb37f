#include "db/healthcheck.h"

#include "db/dbmanager.h"
#include "db/schema.h"
#include "db/sqldialect.h"
#include "db/transactionguard.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace DbHealth {

HealthReport Check(DbManager *manager, const QString &storeNo)
{
    HealthReport report;
    report.storeNo = storeNo;
    const auto fail = [&](const QString &reason) {
        report.ok = false;
        report.reason = reason;
        return report;
    };
    if (!manager || !manager->IsOpen()) {
        const QString why = manager ? manager->connectError() : QString();
        return fail(why.isEmpty() ? QStringLiteral("数据库未连接") : why);
    }
    QSqlDatabase db = manager->Connection();
    report.driver = db.driverName();
    if (!db.isOpen())
        return fail(QStringLiteral("数据库未连接"));

    if (const char *check = SqlDialect::Of(db).integrityCheck) {
        QSqlQuery q(db);
        if (!q.exec(QLatin1String(check)) || !q.next())
            return fail(QStringLiteral("数据库文件检查失败: %1").arg(q.lastError().text()));
        const QString verdict = q.value(0).toString();
        if (verdict != QLatin1String("ok"))
            return fail(QStringLiteral("数据库文件已损坏: %1").arg(verdict));
    }

    for (const Schema::Table &table : Schema::Tables()) {
        QSqlQuery q(db);
        if (!q.prepare(QStringLiteral("select count(*) from %1 where store_no=?").arg(table.name)))
            return fail(QStringLiteral("无法读取表 %1: %2").arg(table.name, q.lastError().text()));
        q.addBindValue(storeNo);
        if (!q.exec() || !q.next())
            return fail(QStringLiteral("无法读取表 %1: %2").arg(table.name, q.lastError().text()));
        report.rowCounts.append({table.name, q.value(0).toInt()});
    }

    // A row that no store reads (list number -1), never committed.
    {
        TransactionGuard tx(db);
        if (!tx.IsActive())
            return fail(QStringLiteral("无法开始事务: %1").arg(db.lastError().text()));
        QSqlQuery q(db);
        const bool written =
            q.prepare(QStringLiteral("insert into %1(info_type,info_list,store_no) values(?,?,?)")
                          .arg(QLatin1String(Schema::MasterDataTable)))
            && (q.addBindValue(-1), q.addBindValue(QStringLiteral("check")), q.addBindValue(storeNo),
                q.exec());
        const QString error = q.lastError().text();
        q.finish();
        tx.Rollback();
        if (!written)
            return fail(QStringLiteral("无法写入数据库: %1").arg(error));
    }
    report.ok = true;
    return report;
}

} // namespace DbHealth
