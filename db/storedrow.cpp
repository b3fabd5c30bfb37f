#include "db/storedrow.h"

#include "db/dberror.h"
#include "db/dbmanager.h"
#include "db/records.h"
#include "db/schema.h"
#include "db/storedbaccess.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace StoredRow {

namespace {

Result Run(QSqlQuery &q, const QString &sql, const QVariantList &values)
{
    DbManager *manager = StoreDbAccess::Instance()->dbManager();
    if (!manager || !manager->IsOpen())
        return Result::Fail(QStringLiteral("数据库未连接"));
    q = QSqlQuery(manager->Connection());
    q.setForwardOnly(true);
    bool ok = q.prepare(sql);
    for (const QVariant &v : values)
        q.addBindValue(v);
    ok = ok && q.exec();
    return ok ? Result::Ok() : Result::Fail(DbError::Reason(q.lastError()));
}

} // namespace

Result Read(bool goods, int tabType, const QString &serial, QStringList *texts)
{
    texts->clear();
    const Schema::Table *table =
        Schema::Find(QLatin1String(goods ? Schema::GoodsTable : Schema::FinanceTable));
    const int count = goods ? GoodsRecord::TextCount : FinanceRecord::TextCount;
    QStringList columns;
    for (int i = 1; i <= count; ++i)
        columns << table->columns.at(i).name;
    QSqlQuery q;
    const Result ran = Run(q,
                           QStringLiteral("select %1 from %2 where tab_type=? and %3=? and store_no=?")
                               .arg(columns.join(QLatin1Char(',')), table->name, columns.first()),
                           {tabType, serial, StoreDbAccess::Instance()->storeNo()});
    if (!ran)
        return ran;
    if (q.next()) {
        for (int i = 0; i < count; ++i)
            *texts << q.value(i).toString();
    }
    return Result::Ok();
}

Result Count(bool goods, int tabType, int *count)
{
    QSqlQuery q;
    const Result ran = Run(q,
                           QStringLiteral("select count(*) from %1 where tab_type=? and store_no=?")
                               .arg(QLatin1String(goods ? Schema::GoodsTable : Schema::FinanceTable)),
                           {tabType, StoreDbAccess::Instance()->storeNo()});
    if (!ran)
        return ran;
    *count = q.next() ? q.value(0).toInt() : 0;
    return Result::Ok();
}

} // namespace StoredRow
