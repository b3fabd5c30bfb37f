#pragma once

#include "db/records.h"

#include <QString>

// The finance summary of the profit page: one total per stored finance kind
// and the operating profit below them.
namespace Profit {

constexpr int RowCount = FinanceKind::StoredCount + 1;
constexpr int ProfitRow = FinanceKind::StoredCount;

// Item text of summary row 0..7 (row k < 7 totals finance kind k).
QString RowLabel(int row);

// Appends the eight summary rows to output. Only the tab type and the sum of
// the input rows are read; rows of other tab types are skipped. A kind with no
// rows keeps an empty item and the sum "0". Profit = receipts + outstanding
// receivables + other income - purchase payments - salaries - utilities and
// rent - other expenses.
void ComputeProfit(const FinanceList &input, FinanceList &output);

} // namespace Profit
