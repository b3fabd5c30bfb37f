// Minimum quantities per article (tb_sm_stock_rule), within the current store.
#include "db/stockrules.h"

#include "db/storedbaccess.h"
#include "db/storedbaccess_p.h"
#include "db/transactionguard.h"

#include <QSqlQuery>

using namespace StoreSql;

namespace StockRules {

Result Save(const QString &model, const QString &color, const QString &minimumText)
{
    const QString text = minimumText.trimmed();
    Money minimum;
    if (model.isEmpty())
        return Result::Fail(QStringLiteral("没有商品型号，不能设置预警数量"));
    if (!text.isEmpty() && (!Money::Parse(text, &minimum) || minimum.Sign() < 0))
        return Result::Fail(QStringLiteral("预警数量“%1”不是0或正数").arg(text));
    StoreDbAccess *store = StoreDbAccess::Instance();
    Call call(store->dbManager(), store->storeNo(), Call::Writes);
    if (!call.Connected())
        return Result::Fail(Error());
    // One rule per article: the old one goes, the new one comes, together.
    TransactionGuard tx(call.db());
    if (!tx.IsActive())
        return Result::Fail(tx.error());
    if (!call.Run(QStringLiteral("delete from tb_sm_stock_rule where store_no=? and product_model=? "
                                 "and product_color=?"),
                  {call.storeNo(), model, color}))
        return Result::Fail(Error());
    if (!text.isEmpty()
        && !call.Run(QStringLiteral("insert into tb_sm_stock_rule(product_model, product_color, min_num, "
                                    "store_no) values(?, ?, ?, ?)"),
                     {model, color, minimum.ToText(), call.storeNo()}))
        return Result::Fail(Error());
    if (!call.Commit(tx))
        return Result::Fail(Error());
    return Result::Ok();
}

Result ReadAll(QList<StockRule> *rules)
{
    rules->clear();
    StoreDbAccess *store = StoreDbAccess::Instance();
    Call call(store->dbManager(), store->storeNo());
    if (!call.Connected())
        return Result::Fail(Error());
    QSqlQuery q(call.db());
    if (!call.Select(q,
                     QStringLiteral("select product_model, product_color, min_num from tb_sm_stock_rule "
                                    "where store_no=? order by product_model, product_color"),
                     {call.storeNo()}))
        return Result::Fail(Error());
    while (q.next()) {
        StockRule rule;
        rule.model = q.value(0).toString();
        rule.color = q.value(1).toString();
        rule.minimum = Money::FromText(q.value(2).toString());
        rules->append(rule);
    }
    return Result::Ok();
}

} // namespace StockRules
