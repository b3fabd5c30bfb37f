#pragma once

#include "ledger/celllayout.h"

#include <QStringList>
#include <functional>

// Where the ledger cell combos take their choices from. The first source reads
// the stored lists; the list dialogs can offer their in-memory lists instead.
class ListSource
{
public:
    virtual ~ListSource() = default;

    // Choices of one list: storeKind is InfoStore::MasterData or
    // InfoStore::People, infoType the list number within it.
    virtual QStringList Choices(int storeKind, int infoType) const = 0;

    // The first field of every row of a list text, decoded ("##" -> "-",
    // "&&" -> "."); rows whose first field is empty give no choice.
    static QStringList FirstFields(const QString &listText);
};

// Reads each list from the information list store when asked.
class StoredListSource : public ListSource
{
public:
    QStringList Choices(int storeKind, int infoType) const override;
};

// Reads each list text through a function, e.g. from the list dialogs'
// current lists, which already hold every edit.
class ListTextSource : public ListSource
{
public:
    using Reader = std::function<QString(int storeKind, int infoType)>;
    explicit ListTextSource(Reader reader) : m_reader(std::move(reader)) {}
    QStringList Choices(int storeKind, int infoType) const override
    {
        return m_reader ? FirstFields(m_reader(storeKind, infoType)) : QStringList();
    }

private:
    Reader m_reader;
};

// Choices of the cell combos, read once per editor rather than once per cell.
struct RowChoices
{
    QStringList classes;
    QStringList names;
    QStringList models;
    QStringList colours;
    QStringList sizes;
    QStringList employees;
    QStringList customers;
    QStringList distributors;
    QStringList suppliers;

    static RowChoices Read(const ListSource &source);
    // The choices a combo cell of that list offers.
    QStringList Of(CellLayout::Choice choice) const;
};
