#include "analytics/movingaverage.h"

#include <algorithm>

namespace {

QPair<MovingAverage::Key, MovingAverage::Key> SaleKey(const GoodsRecord &r)
{
    return qMakePair(MovingAverage::KeyOf(r.model, r.color), qMakePair(r.supply, r.purchase));
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

QVector<int> MovingAverage::CostOrder(const GoodsList &rows)
{
    // Dates are yyyy-MM-dd and entry times yyyy-MM-dd hh:mm:ss:zzz: text order
    // is time order. A ledger holds few dates and mostly rows entered in
    // order, so the rows are bucketed by date and only a day entered out of
    // order is sorted.
    QHash<QString, QVector<int>> byDate;
    for (int i = 0; i < rows.size(); ++i)
        byDate[rows.at(i).time].append(i);
    QStringList dates = byDate.keys();
    std::sort(dates.begin(), dates.end());
    QVector<int> order;
    order.reserve(rows.size());
    const auto bySerial = [&rows](int a, int b) {
        return QString::compare(rows.at(a).serial, rows.at(b).serial) < 0;
    };
    for (const QString &date : qAsConst(dates)) {
        QVector<int> &day = byDate[date];
        if (!std::is_sorted(day.begin(), day.end(), bySerial))
            std::stable_sort(day.begin(), day.end(), bySerial);
        order += day;
    }
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
    if (!row.name.isEmpty())
        a.name = row.name;
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
