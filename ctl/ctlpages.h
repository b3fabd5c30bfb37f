#pragma once

#include "exchange/listrows.h"
#include "query/reports.h"

#include <QString>

namespace LedgerKinds {
struct PageKind;
}

// The pages quillonctl names on its command line: ledger pages by their
// table's object name, lists by their table name or tab title.
namespace Ctl {

// A ledger page by its table's object name, or a list by its table name or tab title.
struct Page
{
    const LedgerKinds::PageKind *ledger = nullptr;
    ListRows::ListPage list;
    bool IsLedger() const { return ledger != nullptr; }
    bool IsList() const { return list.def != nullptr; }
};

Page FindPage(const QString &name);
// A page whose rows are stored (not a computed one, not the sales statistics).
bool IsStoredLedger(const LedgerKinds::PageKind *p);
// The exchange's page kind (goods or finance) of a stored ledger page.
int ExchangeKind(const LedgerKinds::PageKind *p);
// The names of every page and list, for --help.
QString PageNamesHelp();
// The report a computed page shows, or false for a stored page.
bool ReportOfPage(const LedgerKinds::PageKind *p, Reports::Kind *kind);

} // namespace Ctl
