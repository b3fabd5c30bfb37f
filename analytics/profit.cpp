#include "analytics/profit.h"

#include "db/money.h"

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
    // Exact sums, written once at the end.
    Money totals[FinanceKind::StoredCount];
    for (const FinanceRecord &r : input) {
        const int k = r.tabType;
        if (k < 0 || k >= FinanceKind::StoredCount)
            continue;
        rows[k].tabType = k;
        rows[k].item = RowLabel(k);
        totals[k] += Money::FromText(r.sum);
    }

    // The profit is taken from the totals as shown, so the page adds up.
    Money profit;
    for (int k = 0; k < FinanceKind::StoredCount; ++k) {
        rows[k].sum = totals[k].ToText();
        const Money shown = Money::FromText(rows[k].sum);
        profit += kRows[k].sign < 0 ? -shown : shown;
    }
    rows[ProfitRow].item = RowLabel(ProfitRow);
    rows[ProfitRow].sum = profit.ToText();

    for (const FinanceRecord &row : rows)
        output.append(row);
}

} // namespace Profit
