#include "analytics/movingaverage.h"

#include <algorithm>

namespace {

// Model and colour never hold a unit separator, so two articles never share a key.
const QChar kSeparator(0x1f);

QString SaleKey(const GoodsRecord &r)
{
    return r.model + kSeparator + r.color + kSeparator + r.supply + kSeparator + r.purchase;
}

// After a change of quantity: the average follows the value while there is
// stock; with none or less, the last known average stays and the value is
// what the shortfall is worth at it, so that a later purchase starts clean.
void Settle(MovingAverage::Article &a)
{
    if (a.quantity.Sign() > 0)
        a.average = a.value.DividedBy(a.quantity);
    else
        a.value = a.quantity.Times(a.average);
}

} // namespace

QString MovingAverage::KeyOf(const QString &model, const QString &color)
{
    return model + kSeparator + color;
}

QVector<int> MovingAverage::CostOrder(const GoodsList &rows)
{
    QVector<int> order(rows.size());
    for (int i = 0; i < order.size(); ++i)
        order[i] = i;
    // Dates are yyyy-MM-dd and entry times yyyy-MM-dd hh:mm:ss:zzz: text order is time order.
    std::stable_sort(order.begin(), order.end(), [&rows](int a, int b) {
        const GoodsRecord &x = rows.at(a);
        const GoodsRecord &y = rows.at(b);
        const int byDate = QString::compare(x.time, y.time);
        if (byDate != 0)
            return byDate < 0;
        return QString::compare(x.serial, y.serial) < 0;
    });
    return order;
}

Money MovingAverage::Remove(Article &a, const Money &quantity, bool *belowZero)
{
    *belowZero = quantity > a.quantity;
    const Money cost = quantity.Times(a.average);
    a.quantity -= quantity;
    // Everything left taken: no rounding crumbs stay behind in the value.
    a.value = a.quantity.IsZero() ? Money() : a.value - cost;
    Settle(a);
    return cost;
}

MovingAverage::Step MovingAverage::Apply(const GoodsRecord &row)
{
    Step step;
    Money price;
    if (row.tabType < GoodsKind::PurchaseIn || row.tabType > GoodsKind::Loss
        || !Money::Parse(row.num, &step.quantity) || !Money::Parse(row.price, &price)) {
        ++m_skipped;
        return step;
    }
    step.applied = true;
    Article &a = m_articles[KeyOf(row.model, row.color)];
    switch (row.tabType) {
    case GoodsKind::PurchaseIn:
        if (a.quantity.Sign() <= 0) {
            // Nothing on the shelves (or a shortfall): this purchase sets the cost.
            a.average = price;
            a.quantity += step.quantity;
            a.value = a.quantity.Times(price);
        } else {
            a.quantity += step.quantity;
            a.value += step.quantity.Times(price);
        }
        Settle(a);
        break;
    case GoodsKind::PurchaseReturn:
    case GoodsKind::Loss: step.cost = Remove(a, step.quantity, &step.belowZero); break;
    case GoodsKind::Sale: {
        m_saleCost[SaleKey(row)] = a.average; // what this sale's pieces cost
        step.cost = Remove(a, step.quantity, &step.belowZero);
        break;
    }
    case GoodsKind::SaleReturn: {
        const auto sale = m_saleCost.constFind(SaleKey(row));
        const Money unit = sale == m_saleCost.constEnd() ? a.average : sale.value();
        step.cost = step.quantity.Times(unit);
        if (a.quantity.Sign() < 0 && (a.quantity + step.quantity).Sign() > 0) {
            // Back from a shortfall: what is on the shelves came back at this cost.
            a.quantity += step.quantity;
            a.average = unit;
            a.value = a.quantity.Times(unit);
        } else {
            a.quantity += step.quantity;
            a.value += step.cost;
        }
        Settle(a);
        break;
    }
    }
    return step;
}
