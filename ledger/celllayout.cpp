#include "ledger/celllayout.h"

#include "db/records.h"
#include "ledger/ledgerkinds.h"

namespace CellLayout {
namespace {

using LedgerKinds::Group;

bool IsGoodsStyle(const LedgerKinds::PageKind &page) { return page.group != Group::Finance; }

} // namespace

Editor EditorOf(const LedgerKinds::PageKind &page, int column)
{
    if (!page.IsStored())
        return Editor::None;
    const int dateColumn = IsGoodsStyle(page) ? LedgerKinds::GoodsDateColumn : LedgerKinds::FinanceDateColumn;
    if (column == dateColumn)
        return Editor::Date;
    return ChoiceOf(page, column) == Choice::None ? Editor::None : Editor::Combo;
}

Choice ChoiceOf(const LedgerKinds::PageKind &page, int column)
{
    if (!page.IsStored())
        return Choice::None;
    if (!IsGoodsStyle(page)) {
        switch (column) {
        case 1: return Choice::FinanceItems;
        case 4: return page.kind == FinanceKind::Salaries ? Choice::Employees : Choice::Customers;
        case 5:
        case 7: return Choice::Employees;
        default: return Choice::None;
        }
    }
    const bool purchase = page.kind == GoodsKind::PurchaseIn || page.kind == GoodsKind::PurchaseReturn;
    const bool sale = page.kind == GoodsKind::Sale || page.kind == GoodsKind::SaleReturn;
    switch (column) {
    case 1: return Choice::Classes;
    case 2: return Choice::Names;
    case 3: return Choice::Models;
    case 4: return Choice::Colours;
    case LedgerKinds::SizeColumn: return Choice::Sizes;
    case 14: return purchase ? Choice::Suppliers : sale ? Choice::Customers : Choice::Employees;
    case 15: return sale ? Choice::EmployeesAndDistributors : Choice::Employees;
    case 17: return Choice::Employees;
    default: return Choice::None;
    }
}

bool IsTyped(const LedgerKinds::PageKind &page, int column)
{
    if (!page.IsStored() || column <= LedgerKinds::SerialColumn || column >= page.ColumnCount())
        return false;
    return !IsGoodsStyle(page) || column != LedgerKinds::WarehouseColumn;
}

bool IsAmount(const LedgerKinds::PageKind &page, int column)
{
    if (IsGoodsStyle(page))
        return column >= LedgerKinds::NumColumn && column <= LedgerKinds::DebtColumn;
    return column == LedgerKinds::FinanceSumColumn;
}

const QStringList &FinanceItems()
{
    static const QStringList items = {
        QStringLiteral("销售收款"), QStringLiteral("销售欠款"), QStringLiteral("销售提成"),
        QStringLiteral("采购付款"), QStringLiteral("工资款"),   QStringLiteral("员工奖金"),
        QStringLiteral("水电款"),   QStringLiteral("租金款"),   QStringLiteral("活动费"),
        QStringLiteral("办公用品"), QStringLiteral("其它款项")};
    return items;
}

} // namespace CellLayout
