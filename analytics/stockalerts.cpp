#include "analytics/stockalerts.h"

#include "analytics/movingaverage.h"
#include "db/storedbaccess.h"

#include <QHash>

namespace StockAlerts {

namespace {

struct Seen
{
    Money left;
    QString name;
    QString lastSale;
};

} // namespace

QVector<Alert> Compute(const GoodsList &rows, const QList<StockRule> &rules)
{
    // Only the articles that have a rule are summed.
    QHash<MovingAverage::Key, Seen> seen;
    for (const StockRule &rule : rules)
        seen.insert(MovingAverage::KeyOf(rule.model, rule.color), Seen());
    for (const GoodsRecord &r : rows) {
        const auto it = seen.find(MovingAverage::KeyOf(r.model, r.color));
        if (it == seen.end())
            continue;
        Money quantity;
        if (!Money::Parse(r.num, &quantity))
            continue;
        switch (r.tabType) {
        case GoodsKind::PurchaseIn:
        case GoodsKind::SaleReturn: it->left += quantity; break;
        case GoodsKind::Sale:
            if (QString::compare(r.time, it->lastSale) > 0)
                it->lastSale = r.time;
            it->left -= quantity;
            break;
        case GoodsKind::PurchaseReturn:
        case GoodsKind::Loss: it->left -= quantity; break;
        default: continue;
        }
        if (!r.name.isEmpty())
            it->name = r.name;
    }
    QVector<Alert> alerts;
    for (const StockRule &rule : rules) {
        const Seen &s = seen[MovingAverage::KeyOf(rule.model, rule.color)];
        if (s.left > rule.minimum)
            continue;
        alerts.append(Alert{rule.model, rule.color, s.name, s.left, rule.minimum, s.lastSale});
    }
    return alerts;
}

GoodsList PageRows(const QVector<Alert> &alerts)
{
    GoodsList rows;
    rows.reserve(alerts.size());
    for (const Alert &a : alerts) {
        GoodsRecord r;
        r.tabType = GoodsKind::CurrentStock;
        r.name = a.name;
        r.model = a.model;
        r.color = a.color;
        r.time = a.lastSale;
        r.num = a.left.ToText();
        r.oddNum = a.minimum.ToText();
        if (a.lastSale.isEmpty())
            r.remark = QStringLiteral("从未售出");
        rows.append(r);
    }
    return rows;
}

Result Read(QVector<Alert> *alerts)
{
    alerts->clear();
    QList<StockRule> rules;
    const Result read = StockRules::ReadAll(&rules);
    if (!read)
        return read;
    if (rules.isEmpty())
        return Result::Ok();
    enum { Name = 2, Model = 3, Color = 4, Time = 7, Num = 9 };
    StoreDbAccess *store = StoreDbAccess::Instance();
    GoodsList rows;
    const Result got =
        store->QueryGoodsTexts(5, -1, QString(), QString(), {Name, Model, Color, Time, Num}, rows);
    if (!got)
        return got;
    *alerts = Compute(rows, rules);
    return Result::Ok();
}

QString LoginText(int count) { return QStringLiteral("%1 种商品库存不足").arg(count); }

} // namespace StockAlerts
