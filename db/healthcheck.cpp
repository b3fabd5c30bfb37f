#include "db/healthcheck.h"

#include "db/dberror.h"
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

    // The file was walked when it opened; a large file is not walked twice at start-up.
    const char *check = SqlDialect::Of(db).integrityCheck;
    if (check && !manager->FileChecked()) {
        QSqlQuery q(db);
        if (!q.exec(QLatin1String(check)) || !q.next())
            return fail(QStringLiteral("数据库文件检查失败: %1").arg(DbError::Reason(q.lastError())));
        const QString verdict = q.value(0).toString();
        if (verdict != QLatin1String("ok")) {
            manager->MarkDamaged(DbError::FirstFinding(verdict));
            return fail(QStringLiteral("数据库文件已损坏: %1").arg(verdict));
        }
    }
    if (!manager->damage().isEmpty())
        return fail(QStringLiteral("数据库文件已损坏: %1").arg(manager->damage()));

    for (const Schema::Table &table : Schema::Tables()) {
        QSqlQuery q(db);
        if (!q.prepare(QStringLiteral("select count(*) from %1 where store_no=?").arg(table.name)))
            return fail(QStringLiteral("无法读取表 %1: %2").arg(table.name, DbError::Reason(q.lastError())));
        q.addBindValue(storeNo);
        if (!q.exec() || !q.next())
            return fail(QStringLiteral("无法读取表 %1: %2").arg(table.name, DbError::Reason(q.lastError())));
        report.rowCounts.append({table.name, q.value(0).toInt()});
    }

    // Read-only by choice: no trial write, the reason is known.
    const QString refusal = manager->WriteRefusal();
    if (!refusal.isEmpty())
        return fail(refusal);

    // A row that no store reads (list number -1), never committed.
    {
        TransactionGuard tx(db);
        if (!tx.IsActive())
            return fail(QStringLiteral("无法开始事务: %1").arg(tx.error()));
        QSqlQuery q(db);
        const bool written =
            q.prepare(QStringLiteral("insert into %1(info_type,info_list,store_no) values(?,?,?)")
                          .arg(QLatin1String(Schema::MasterDataTable)))
            && (q.addBindValue(-1), q.addBindValue(QStringLiteral("check")), q.addBindValue(storeNo),
                q.exec());
        const QString error = DbError::Reason(q.lastError());
        q.finish();
        tx.Rollback();
        if (!written)
            return fail(QStringLiteral("无法写入数据库: %1").arg(error));
    }
    report.ok = true;
    return report;
}

} // namespace DbHealth
