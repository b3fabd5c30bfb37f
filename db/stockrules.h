#pragma once

#include "db/money.h"
#include "db/result.h"

#include <QList>
#include <QString>

// The minimum quantity an article (model and colour) should not fall to, per
// store: tb_sm_stock_rule. The 库存预警 page lists what is at or below it.
struct StockRule
{
    QString model;
    QString color;
    Money minimum;
};

namespace StockRules {

// minimumText: a number of pieces, 0 or more. An empty text removes the rule.
// Refused, with the reason, for anything else; the store's rule is then unchanged.
Result Save(const QString &model, const QString &color, const QString &minimumText);
// Every rule of this installation's store, by model then colour.
Result ReadAll(QList<StockRule> *rules);

} // namespace StockRules
