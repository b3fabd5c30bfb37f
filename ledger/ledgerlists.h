#pragma once

#include "db/records.h"

// The record lists that loads and queries fill on the worker and the pages
// show on the GUI thread. The GUI thread reads them only after the worker
// has reported back.
struct LedgerLists
{
    GoodsList pageGoodsLists[GoodsKind::StoredCount];
    FinanceList pageFinanceLists[FinanceKind::StoredCount];
    GoodsList queryGoods;
    GoodsList filteredGoods;
    GoodsList stockRows;
    GoodsList summaryRows;    // the day, salesperson, customer and debt pages
    FinanceList queryFinance; // empty after a profit query without conditions: only totals are read
    FinanceList filteredFinance;
    FinanceList profitRows;
};
