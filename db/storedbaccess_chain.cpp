// Reads for the chain summary: another store's rows, asked for by number.
#include "db/chainstore.h"

#include "db/storedbaccess.h"
#include "db/storedbaccess_p.h"

#include <QSettings>
#include <QSqlQuery>

using namespace StoreSql;

namespace ChainStore {

QStringList Stores(const QString &iniPath)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    // QSettings splits "1,2,3" into a list itself; a single number stays a text.
    QStringList stores;
    for (const QString &part : ini.value(QStringLiteral("Chain/Stores")).toStringList()) {
        for (const QString &one : part.split(QLatin1Char(','))) {
            const QString number = one.trimmed();
            if (!number.isEmpty() && !stores.contains(number))
                stores << number;
        }
    }
    return stores;
}

Result ReadGoods(const QString &storeNo, GoodsList *rows)
{
    rows->clear();
    StoreDbAccess *store = StoreDbAccess::Instance();
    Call call(store->dbManager(), storeNo);
    if (!call.Connected())
        return Result::Fail(Error());
    QSqlQuery q(call.db());
    if (!call.Select(q,
                     QStringLiteral("select tab_type, product_serial, product_name, product_model, "
                                    "product_color, product_time, product_num, product_price, product_total, "
                                    "product_debt, product_supply, product_purchase from tb_sm_product_info "
                                    "where store_no=? order by id"),
                     {storeNo}))
        return Result::Fail(Error());
    while (q.next()) {
        GoodsRecord r;
        r.tabType = q.value(0).toInt();
        r.serial = Text(q, 1);
        r.name = Text(q, 2);
        r.model = Text(q, 3);
        r.color = Text(q, 4);
        r.time = Text(q, 5);
        r.num = Text(q, 6);
        r.price = Text(q, 7);
        r.total = Text(q, 8);
        r.debt = Text(q, 9);
        r.supply = Text(q, 10);
        r.purchase = Text(q, 11);
        rows->append(r);
    }
    return Result::Ok();
}

Result CountFinance(const QString &storeNo, const QString &from, const QString &to, int *count)
{
    *count = 0;
    StoreDbAccess *store = StoreDbAccess::Instance();
    Call call(store->dbManager(), storeNo);
    if (!call.Connected())
        return Result::Fail(Error());
    QString sql = QStringLiteral("select count(*) from tb_sm_finance_info where store_no=?");
    QVariantList values{storeNo};
    if (!from.isEmpty()) {
        sql += QStringLiteral(" and ie_time>=?");
        values << from;
    }
    if (!to.isEmpty()) {
        sql += QStringLiteral(" and ie_time<=?");
        values << to;
    }
    QSqlQuery q(call.db());
    if (!call.Select(q, sql, values) || !q.next())
        return Result::Fail(Error().isEmpty() ? QStringLiteral("读取财务行数失败") : Error());
    *count = q.value(0).toInt();
    return Result::Ok();
}

} // namespace ChainStore
