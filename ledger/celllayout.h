#pragma once

#include <QStringList>

namespace LedgerKinds {
struct PageKind;
}

// What each cell of a ledger page is, as data: which editor a typed value
// goes through and which list offers its choices. Computed pages have none.
namespace CellLayout {

enum class Editor { None, Combo, Date };

// The lists a combo cell offers (see RowChoices).
enum class Choice {
    None,
    Classes,
    Names,
    Models,
    Colours,
    Sizes,
    Employees,
    Customers,
    Distributors,
    Suppliers,
    EmployeesAndDistributors,
    FinanceItems
};

Editor EditorOf(const LedgerKinds::PageKind &page, int column);
Choice ChoiceOf(const LedgerKinds::PageKind &page, int column);
// Cells the user may type into: not the entry time, not the warehouse (its
// picker writes it), nothing on a computed page.
bool IsTyped(const LedgerKinds::PageKind &page, int column);
// The amount columns whose texts must be numbers.
bool IsAmount(const LedgerKinds::PageKind &page, int column);

// Fixed choices of the finance item column.
const QStringList &FinanceItems();

} // namespace CellLayout
