#pragma once

#include "ledger/celllayout.h"

#include <QObject>
#include <QSet>
#include <QString>

struct RowChoices;
namespace LedgerKinds {
struct PageKind;
}

// The names of the people lists, for marking a supplier, customer,
// salesperson or buyer typed on a page that its list lacks. One object serves
// every page; data() asks it for each painted cell, so a look-up is one hash
// probe. Until lists are read nothing is marked.
class NameLists : public QObject
{
    Q_OBJECT
public:
    explicit NameLists(QObject *parent = nullptr) : QObject(parent) {}

    // The lists as they are now; Changed follows.
    void Reset(const RowChoices &choices);

    // The list a cell's name is checked against; None where a cell holds no
    // such name (goods, remarks, the loss page's staff, payees).
    static CellLayout::Choice Checked(const LedgerKinds::PageKind &page, int column);
    // Where "加入名单" puts a name of that cell (InfoStore::People and its
    // list number); false where names are not checked.
    static bool TargetOf(const LedgerKinds::PageKind &page, int column, int *storeKind, int *infoType);

    // True when the cell holds a name its list lacks; an empty cell never.
    bool Lacks(const LedgerKinds::PageKind &page, int column, const QString &text) const;

signals:
    void Changed();

private:
    bool m_read = false;
    QSet<QString> m_employees;
    QSet<QString> m_customers;
    QSet<QString> m_distributors;
    QSet<QString> m_suppliers;
};
