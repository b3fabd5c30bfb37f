#include "analytics/salesstatistics.h"

#include "db/numbertext.h"

#include <QHash>
#include <QVector>

namespace SalesStatistics {

namespace {

struct SaleKey
{
    QString model;
    QString customer;
    QString seller;

    explicit SaleKey(const GoodsRecord &r) : model(r.model), customer(r.supply), seller(r.purchase) {}
    bool operator==(const SaleKey &o) const
    {
        return model == o.model && customer == o.customer && seller == o.seller;
    }
};

uint qHash(const SaleKey &k, uint seed = 0)
{
    return ::qHash(k.model, seed) ^ (::qHash(k.customer, seed) * 31u) ^ (::qHash(k.seller, seed) * 1009u);
}

} // namespace

void DeductReturns(GoodsList &sales, const GoodsList &returns)
{
    if (sales.isEmpty() || returns.isEmpty())
        return;
    QHash<SaleKey, QVector<int>> byKey;
    byKey.reserve(sales.size());
    for (int i = 0; i < sales.size(); ++i)
        byKey[SaleKey(sales.at(i))].append(i);

    const QString note = QStringLiteral("注意，该型号%1有退货金额%2元，从%3销售中扣除%4元");
    for (const GoodsRecord &r : returns) {
        const auto it = byKey.constFind(SaleKey(r));
        if (it == byKey.constEnd())
            continue;
        const double quantity = NumberText::ToNumber(r.num);
        const double amount = NumberText::ToNumber(r.total);
        for (int idx : it.value()) {
            GoodsRecord &s = sales[idx];
            s.num = NumberText::ToText(NumberText::ToNumber(s.num) - quantity);
            // One pass of arg() so a '%' in a model or amount stays literal.
            s.remark += note.arg(r.model, r.total, s.time, r.total);
            s.total = NumberText::ToText(NumberText::ToNumber(s.total) - amount);
        }
    }
}

bool Passes(const GoodsRecord &sale, const SalesConditions &conditions)
{
    return (conditions.model.isEmpty() || sale.model.contains(conditions.model))
        && (conditions.seller.isEmpty() || sale.purchase.contains(conditions.seller));
}

GoodsList FilterSales(const GoodsList &sales, const SalesConditions &conditions)
{
    GoodsList out;
    for (const GoodsRecord &s : sales)
        if (Passes(s, conditions))
            out.append(s);
    return out;
}

} // namespace SalesStatistics
