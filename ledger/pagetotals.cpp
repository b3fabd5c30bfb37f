#include "ledger/pagetotals.h"

#include "db/numbertext.h"
#include "ledger/rowamounts.h"

namespace PageTotals {

GoodsSums SumGoods(const QVector<GoodsRowTexts> &rows)
{
    using NumberText::ToNumber;
    GoodsSums sums;
    for (int i = 0; i < rows.size(); ++i) {
        const GoodsRowTexts &r = rows.at(i);
        double total = ToNumber(r.total);
        if (RowAmounts::IsUnset(r.total)) {
            total = ToNumber(r.num) * ToNumber(r.price);
            const QString text = NumberText::ToText(total);
            if (text != r.total)
                sums.derivedTotals.append(qMakePair(i, text));
        }
        sums.total += total;
        sums.paid += ToNumber(r.pay);
        sums.unpaid += ToNumber(r.debt);
    }
    return sums;
}

double SumFinance(const QStringList &sums)
{
    double sum = 0;
    for (const QString &s : sums)
        sum += NumberText::ToNumber(s);
    return sum;
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
