#include "ledger/pagetotals.h"

#include "ledger/rowamounts.h"

namespace PageTotals {

RowSums GoodsRow(const GoodsRowTexts &r, QString *derivedTotal)
{
    RowSums sums;
    sums.total = Money::FromText(r.total);
    if (derivedTotal)
        derivedTotal->clear();
    if (RowAmounts::IsUnset(r.total)) {
        sums.total = Money::FromText(r.num).Times(Money::FromText(r.price));
        const QString text = sums.total.ToText();
        if (derivedTotal && text != r.total)
            *derivedTotal = text;
    }
    sums.paid = Money::FromText(r.pay);
    sums.unpaid = Money::FromText(r.debt);
    return sums;
}

RowSums FinanceRow(const QString &sum)
{
    RowSums sums;
    sums.total = Money::FromText(sum);
    return sums;
}

RowSums DebtRow(const QString &side, const QString &balance)
{
    RowSums sums;
    sums.unpaid = Money::FromText(balance);
    if (side == QStringLiteral("应收"))
        sums.total = sums.unpaid;
    else if (side == QStringLiteral("应付"))
        sums.paid = sums.unpaid;
    return sums;
}

GoodsSums SumGoods(const QVector<GoodsRowTexts> &rows)
{
    GoodsSums out;
    Sums sums;
    QString derived;
    for (int i = 0; i < rows.size(); ++i) {
        sums.Add(GoodsRow(rows.at(i), &derived));
        if (!derived.isEmpty())
            out.derivedTotals.append(qMakePair(i, derived));
    }
    out.total = sums.total.Value();
    out.paid = sums.paid.Value();
    out.unpaid = sums.unpaid.Value();
    return out;
}

Money SumFinance(const QStringList &sums)
{
    Money sum;
    for (const QString &s : sums)
        sum += Money::FromText(s);
    return sum;
}

Money SumOfItem(const QStringList &items, const QStringList &sums, const QString &item)
{
    Money sum;
    for (int i = 0; i < items.size() && i < sums.size(); ++i) {
        if (items.at(i) == item)
            sum += Money::FromText(sums.at(i));
    }
    return sum;
}

} // namespace PageTotals
