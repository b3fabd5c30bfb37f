#pragma once

#include "query/reports.h"

// The owner's reports beside the pages' own: the page kind each one shows,
// and the stock value, which is a table of its own.
namespace OwnerReports {

// The sales-stack page of margin, alerts and stores; -1 for any other report.
int PageKindOf(Reports::Kind kind);

// Whether the settings name the stores of a chain; why not in *why.
bool ChainAllowed(QString *why);

// Every article in stock at the end of the period (all rows with mode 5):
// quantity, moving-average cost and value, then a "合计" row.
Reports::Table StockValue(int dateMode, const QString &from, const QString &to);

} // namespace OwnerReports
