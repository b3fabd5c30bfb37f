#include "analytics/grossmargin.h"

#include "analytics/movingaverage.h"
#include "db/storedbaccess.h"

#include <QHash>
#include <algorithm>

namespace GrossMargin {

namespace {

// Half to even at two places, as the money type rounds at six.
Money RoundToCents(const Money &m)
{
    const Money::Raw unit = 10000000; // a hundredth in billionths
    const Money::Raw raw = m.raw();
    Money::Raw whole = raw / unit;
    const Money::Raw rest = raw % unit;
    const Money::Raw twice = 2 * (rest < 0 ? -rest : rest);
    if (twice > unit || (twice == unit && whole % 2 != 0))
        whole += raw < 0 ? -1 : 1;
    return Money::FromRaw(whole * unit);
}

void AddTo(Line &sum, const Line &line)
{
    sum.sold += line.sold;
    sum.revenue += line.revenue;
    sum.cost += line.cost;
    sum.lossQuantity += line.lossQuantity;
    sum.lossCost += line.lossCost;
    sum.belowZero += line.belowZero;
}

// What the row brought in: its total, or quantity x price when the total is no number.
Money Takings(const GoodsRecord &r)
{
    Money total;
    if (Money::Parse(r.total, &total))
        return total;
    return Money::FromText(r.num).Times(Money::FromText(r.price));
}

} // namespace

QString TotalsItem() { return QStringLiteral("合计"); }

QString MarginText(const Money &profit, const Money &revenue)
{
    if (revenue.IsZero())
        return QString();
    return RoundToCents(profit.Times(Money::FromInt(100)).DividedBy(revenue)).ToText();
}

Result Compute(const GoodsList &rows, const QString &from, const QString &to, const Conditions &conditions)
{
    Result result;
    MovingAverage costs;
    QHash<MovingAverage::Key, int> lineOf;
    const auto inPeriod = [&from, &to](const QString &date) {
        return (from.isEmpty() || QString::compare(date, from) >= 0)
            && (to.isEmpty() || QString::compare(date, to) <= 0);
    };
    for (const int i : MovingAverage::CostOrder(rows)) {
        const GoodsRecord &r = rows.at(i);
        if (!to.isEmpty() && QString::compare(r.time, to) > 0)
            break; // cost order is date order: the rest is later still
        const MovingAverage::Step step = costs.Apply(r);
        if (!step.applied || !inPeriod(r.time) || r.tabType == GoodsKind::PurchaseIn
            || r.tabType == GoodsKind::PurchaseReturn || !r.model.contains(conditions.model)
            || !r.purchase.contains(conditions.seller))
            continue;
        const MovingAverage::Key key = MovingAverage::KeyOf(r.model, r.color);
        auto at = lineOf.constFind(key);
        if (at == lineOf.constEnd()) {
            at = lineOf.insert(key, result.lines.size());
            Line line;
            line.model = r.model;
            line.color = r.color;
            result.lines.append(line);
        }
        Line &line = result.lines[*at];
        if (!r.name.isEmpty())
            line.name = r.name;
        switch (r.tabType) {
        case GoodsKind::Sale:
            line.sold += step.quantity;
            line.revenue += Takings(r);
            line.cost += step.cost;
            line.belowZero += step.belowZero ? 1 : 0;
            break;
        case GoodsKind::SaleReturn:
            line.sold -= step.quantity;
            line.revenue -= Takings(r);
            line.cost -= step.cost;
            break;
        default: // loss
            line.lossQuantity += step.quantity;
            line.lossCost += step.cost;
            break;
        }
    }
    std::sort(result.lines.begin(), result.lines.end(), [](const Line &a, const Line &b) {
        return a.model != b.model ? a.model < b.model : a.color < b.color;
    });
    for (const Line &line : qAsConst(result.lines))
        AddTo(result.total, line);
    result.skipped = costs.skipped();
    return result;
}

namespace {

GoodsRecord PageRow(const Line &line)
{
    GoodsRecord r;
    r.tabType = GoodsKind::Sale;
    r.name = line.name;
    r.model = line.model;
    r.color = line.color;
    r.num = line.sold.ToText();
    r.total = line.revenue.ToText();
    r.pay = line.cost.ToText();
    r.debt = line.Profit().ToText();
    r.supply = MarginText(line.Profit(), line.revenue);
    r.purchase = line.lossQuantity.ToText();
    r.oddNum = line.lossCost.ToText();
    if (line.belowZero > 0)
        r.remark = QStringLiteral("%1笔销售时库存不足，按最近的平均成本计").arg(line.belowZero);
    return r;
}

} // namespace

GoodsList PageRows(const Result &result)
{
    GoodsList rows;
    rows.reserve(result.lines.size() + 1);
    for (const Line &line : result.lines)
        rows.append(PageRow(line));
    GoodsRecord total = PageRow(result.total);
    total.serial = TotalsItem();
    total.model = TotalsItem();
    QStringList notes;
    if (result.total.belowZero > 0)
        notes << total.remark;
    if (result.skipped > 0)
        notes << QStringLiteral("%1行数量或单价不是数字，未计入").arg(result.skipped);
    total.remark = notes.join(QLatin1Char('\n'));
    rows.append(total);
    return rows;
}

QVector<int> NeededTexts()
{
    enum { Serial = 0, Name = 2, Model = 3, Color = 4, Time = 7, Num = 9, Price = 10, Total = 11 };
    enum { Customer = 14, Seller = 15 };
    return {Serial, Name, Model, Color, Time, Num, Price, Total, Customer, Seller};
}

bool Report(int dateMode, const QString &dateFrom, const QString &dateTo, const Conditions &conditions,
            GoodsList &rows, QString *error)
{
    QString from, to;
    if (dateMode != 5) {
        StoreDbAccess::PeriodBounds(dateMode, dateFrom, dateTo, from, to);
        if (from.isEmpty() || to.isEmpty()) {
            if (error)
                *error = QStringLiteral("日期不对: %1 %2").arg(dateFrom, dateTo);
            return false;
        }
    }
    // Every row before the period moves the averages: all of them are read.
    StoreDbAccess *store = StoreDbAccess::Instance();
    GoodsList read;
    const ::Result got = store->QueryGoodsTexts(5, -1, QString(), QString(), NeededTexts(), read);
    if (!got) {
        if (error)
            *error = got.error();
        return false;
    }
    rows = PageRows(Compute(read, from, to, conditions));
    return true;
}

} // namespace GrossMargin
