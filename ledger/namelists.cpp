#include "ledger/namelists.h"

#include "db/records.h"
#include "ledger/ledgerkinds.h"
#include "ledger/listsource.h"

namespace {

QSet<QString> SetOf(const QStringList &names) { return QSet<QString>(names.begin(), names.end()); }

} // namespace

void NameLists::Reset(const RowChoices &choices)
{
    m_employees = SetOf(choices.employees);
    m_customers = SetOf(choices.customers);
    m_distributors = SetOf(choices.distributors);
    m_suppliers = SetOf(choices.suppliers);
    m_read = true;
    emit Changed();
}

CellLayout::Choice NameLists::Checked(const LedgerKinds::PageKind &page, int column)
{
    using CellLayout::Choice;
    if (!page.IsStored())
        return Choice::None;
    if (page.group != LedgerKinds::Group::Finance) {
        // Trading pages: supplier or customer, then buyer or salesperson.
        if (page.kind == GoodsKind::Loss || (column != 14 && column != 15))
            return Choice::None;
        return CellLayout::ChoiceOf(page, column);
    }
    switch (page.kind) {
    case FinanceKind::Income:
    case FinanceKind::Debts:
    case FinanceKind::OtherIncome: // customer and salesperson
        return column == 4 || column == 5 ? CellLayout::ChoiceOf(page, column) : Choice::None;
    case FinanceKind::PurchasePayments: // the buyer; the payee is no customer
        return column == 5 ? CellLayout::ChoiceOf(page, column) : Choice::None;
    default: return Choice::None;
    }
}

bool NameLists::TargetOf(const LedgerKinds::PageKind &page, int column, int *storeKind, int *infoType)
{
    using CellLayout::Choice;
    int list = -1;
    switch (Checked(page, column)) {
    case Choice::Suppliers: list = ListNo::Suppliers; break;
    case Choice::Customers: list = ListNo::Customers; break;
    // A salesperson is staff before a distributor.
    case Choice::Employees:
    case Choice::EmployeesAndDistributors: list = ListNo::Employees; break;
    default: return false;
    }
    if (storeKind)
        *storeKind = InfoStore::People;
    if (infoType)
        *infoType = list;
    return true;
}

bool NameLists::Lacks(const LedgerKinds::PageKind &page, int column, const QString &text) const
{
    using CellLayout::Choice;
    if (!m_read || text.isEmpty())
        return false;
    switch (Checked(page, column)) {
    case Choice::Suppliers: return !m_suppliers.contains(text);
    case Choice::Customers: return !m_customers.contains(text);
    case Choice::Employees: return !m_employees.contains(text);
    case Choice::EmployeesAndDistributors:
        return !m_employees.contains(text) && !m_distributors.contains(text);
    default: return false;
    }
}
