#include "ledger/pagetotals.h"

#include "db/numbertext.h"
#include "ledger/rowamounts.h"

#include <cmath>

namespace PageTotals {

RowSums GoodsRow(const GoodsRowTexts &r, QString *derivedTotal)
{
    using NumberText::ToNumber;
    RowSums sums;
    sums.total = ToNumber(r.total);
    if (derivedTotal)
        derivedTotal->clear();
    if (RowAmounts::IsUnset(r.total)) {
        sums.total = ToNumber(r.num) * ToNumber(r.price);
        const QString text = NumberText::ToText(sums.total);
        if (derivedTotal && text != r.total)
            *derivedTotal = text;
    }
    sums.paid = ToNumber(r.pay);
    sums.unpaid = ToNumber(r.debt);
    return sums;
}

RowSums FinanceRow(const QString &sum)
{
    RowSums sums;
    sums.total = NumberText::ToNumber(sum);
    return sums;
}

void ExactSum::Add(double x)
{
    // A product of two huge amounts may overflow; it counts as 0, as its text does.
    if (!std::isfinite(x))
        return;
    int kept = 0;
    for (int i = 0; i < m_partials.size(); ++i) {
        double y = m_partials.at(i);
        if (std::fabs(x) < std::fabs(y))
            std::swap(x, y);
        const double hi = x + y;
        const double lo = y - (hi - x);
        if (lo != 0.0)
            m_partials[kept++] = lo;
        x = hi;
    }
    m_partials.resize(kept);
    m_partials.append(x);
}

double ExactSum::Value() const
{
    int n = m_partials.size();
    if (n == 0)
        return 0.0;
    double hi = m_partials.at(--n);
    double lo = 0.0;
    while (n > 0) {
        const double x = hi;
        const double y = m_partials.at(--n);
        hi = x + y;
        lo = y - (hi - x);
        if (lo != 0.0)
            break;
    }
    // Round half to even across the partials left below.
    if (n > 0 && ((lo < 0 && m_partials.at(n - 1) < 0) || (lo > 0 && m_partials.at(n - 1) > 0))) {
        const double y = lo * 2;
        const double x = hi + y;
        if (y == x - hi)
            hi = x;
    }
    return hi;
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

double SumFinance(const QStringList &sums)
{
    ExactSum sum;
    for (const QString &s : sums)
        sum.Add(NumberText::ToNumber(s));
    return sum.Value();
}

double SumOfItem(const QStringList &items, const QStringList &sums, const QString &item)
{
    double sum = 0;
    for (int i = 0; i < items.size() && i < sums.size(); ++i) {
        if (items.at(i) == item)
            sum += NumberText::ToNumber(sums.at(i));
    }
    return sum;
}

} // namespace PageTotals
