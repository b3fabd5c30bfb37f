#include "analytics/stockvalue.h"

#include "analytics/grossmargin.h"
#include "analytics/stockcompute.h"
#include "db/storedbaccess.h"

#include <QHash>
#include <algorithm>

namespace StockValue {

MovingAverage CostsUpTo(const GoodsList &rows, const QString &upTo)
{
    MovingAverage costs;
    for (const int i : MovingAverage::CostOrder(rows)) {
        if (!upTo.isEmpty() && QString::compare(rows.at(i).time, upTo) > 0)
            break; // cost order is date order
        costs.Apply(rows.at(i));
    }
    return costs;
}

Result Compute(const GoodsList &rows, const QString &upTo)
{
    const MovingAverage costs = CostsUpTo(rows, upTo);
    Result result;
    for (auto it = costs.articles().constBegin(); it != costs.articles().constEnd(); ++it) {
        if (it->quantity.IsZero())
            continue;
        Line line;
        line.model = it.key().first;
        line.color = it.key().second;
        line.name = it->name;
        line.quantity = it->quantity;
        line.average = it->average;
        line.value = it->value;
        result.lines.append(line);
        result.total.quantity += line.quantity;
        result.total.value += line.value;
    }
    std::sort(result.lines.begin(), result.lines.end(), [](const Line &a, const Line &b) {
        return a.model != b.model ? a.model < b.model : a.color < b.color;
    });
    result.skipped = costs.skipped();
    return result;
}

void FillStockRows(GoodsList &stockRows, const MovingAverage &costs, bool showPrices)
{
    for (GoodsRecord &r : stockRows) {
        r.pay.clear();
        r.debt.clear();
        Money quantity;
        // A movement that found no stock is listed to be checked, not stock to be valued.
        if (!showPrices || r.tabType != GoodsKind::PurchaseIn || !Money::Parse(r.num, &quantity))
            continue;
        const auto it = costs.articles().constFind(MovingAverage::KeyOf(r.model, r.color));
        if (it == costs.articles().constEnd())
            continue;
        r.pay = it->average.ToText();
        r.debt = quantity.Times(it->average).ToText();
    }
}

bool AddToStockRows(GoodsList &stockRows, int dateMode, const QString &dateFrom, const QString &dateTo,
                    int userType, QString *error)
{
    QString from, to;
    if (dateMode != 5)
        StoreDbAccess::PeriodBounds(dateMode, dateFrom, dateTo, from, to);
    MovingAverage costs;
    const bool showPrices = userType == StockCompute::SuperUserType;
    if (stockRows.isEmpty() || !showPrices) {
        FillStockRows(stockRows, costs, false);
        return true;
    }
    if (!ReadCosts(to, &costs, nullptr, error))
        return false;
    FillStockRows(stockRows, costs, true);
    return true;
}

bool ReadCosts(const QString &upTo, MovingAverage *costs, GoodsList *rows, QString *error)
{
    StoreDbAccess *store = StoreDbAccess::Instance();
    GoodsList read;
    const ::Result got =
        store->QueryGoodsTexts(5, -1, QString(), QString(), GrossMargin::NeededTexts(), read);
    if (!got) {
        if (error)
            *error = got.error();
        return false;
    }
    if (costs)
        *costs = CostsUpTo(read, upTo);
    if (rows)
        *rows = std::move(read);
    return true;
}

} // namespace StockValue
