#include "analytics/profit.h"

#include "db/numbertext.h"

namespace Profit {

namespace {

struct SummaryRow
{
    const char *label;
    int sign; // share of the kind's total in the profit
};

const SummaryRow kRows[RowCount] = {
    {"收款总额", +1}, {"未收欠款总额", +1}, {"其它收入总额", +1}, {"采购支付总额", -1},
    {"员工薪酬", -1}, {"水电租赁", -1},     {"其它支出", -1},     {"经营利润", 0},
};

} // namespace

QString RowLabel(int row)
{
    if (row < 0 || row >= RowCount)
        return QString();
    return QString::fromUtf8(kRows[row].label);
}

void ComputeProfit(const FinanceList &input, FinanceList &output)
{
    FinanceRecord rows[RowCount];
    // Totals stay in double until the end; rounding each running total to its
    // text after every row would lose cents on long lists.
    double totals[FinanceKind::StoredCount] = {};
    for (const FinanceRecord &r : input) {
        const int k = r.tabType;
        if (k < 0 || k >= FinanceKind::StoredCount)
            continue;
        rows[k].tabType = k;
        rows[k].item = RowLabel(k);
        totals[k] += NumberText::ToNumber(r.sum);
    }

    // The profit is taken from the totals as shown, so the page adds up.
    double profit = 0;
    for (int k = 0; k < FinanceKind::StoredCount; ++k) {
        rows[k].sum = NumberText::ToText(totals[k]);
        profit += kRows[k].sign * NumberText::ToNumber(rows[k].sum);
    }
    rows[ProfitRow].item = RowLabel(ProfitRow);
    rows[ProfitRow].sum = NumberText::ToText(profit);

    for (const FinanceRecord &row : rows)
        output.append(row);
}

} // namespace Profit
