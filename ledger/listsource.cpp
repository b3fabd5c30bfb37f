#include "ledger/listsource.h"

#include "db/listcodec.h"
#include "db/records.h"
#include "db/storedbaccess.h"

QStringList ListSource::FirstFields(const QString &listText)
{
    QStringList out = ListCodec::ColumnValues(listText, 0);
    out.removeAll(QString());
    return out;
}

QStringList StoredListSource::Choices(int storeKind, int infoType) const
{
    InfoList list;
    list.infoType = infoType;
    if (!StoreDbAccess::Instance()->ReadInfoList(storeKind, list))
        return {};
    return FirstFields(list.list);
}

RowChoices RowChoices::Read(const ListSource &source)
{
    RowChoices c;
    c.classes = source.Choices(InfoStore::MasterData, ListNo::GoodsClass);
    c.names = source.Choices(InfoStore::MasterData, ListNo::GoodsName);
    c.models = source.Choices(InfoStore::MasterData, ListNo::GoodsModel);
    c.colours = source.Choices(InfoStore::MasterData, ListNo::GoodsColor);
    c.sizes = source.Choices(InfoStore::MasterData, ListNo::GoodsSize);
    c.employees = source.Choices(InfoStore::People, ListNo::Employees);
    c.customers = source.Choices(InfoStore::People, ListNo::Customers);
    c.distributors = source.Choices(InfoStore::People, ListNo::Distributors);
    c.suppliers = source.Choices(InfoStore::People, ListNo::Suppliers);
    return c;
}

QStringList RowChoices::Of(CellLayout::Choice choice) const
{
    using CellLayout::Choice;
    switch (choice) {
    case Choice::Classes: return classes;
    case Choice::Names: return names;
    case Choice::Models: return models;
    case Choice::Colours: return colours;
    case Choice::Sizes: return sizes;
    case Choice::Employees: return employees;
    case Choice::Customers: return customers;
    case Choice::Distributors: return distributors;
    case Choice::Suppliers: return suppliers;
    case Choice::EmployeesAndDistributors: return employees + distributors;
    case Choice::FinanceItems: return CellLayout::FinanceItems();
    case Choice::None: break;
    }
    return QStringList();
}
