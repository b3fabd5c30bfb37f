#pragma once

#include <QString>
#include <QStringList>

namespace LedgerKinds {
struct PageKind;
}

// One change a user made to a page's rows, as the page can take it back or
// make it again: the row's texts before and after (empty when the row did
// not exist). The row is found again by its serial, never by its position.
struct LedgerChange
{
    enum Kind { Edit, Add, Delete };
    Kind kind = Edit;
    QString serial;
    int row = 0;     // where the row stood, for putting a deleted row back
    int column = -1; // the typed column of an edit
    QStringList before;
    QStringList after;

    // "修改 进货数量 10 → 12", "增加 行 …", "删除 行 …": what undoing or redoing it would do.
    QString Describe(const LedgerKinds::PageKind &page) const;
};

struct ChangeEntry;

namespace ChangeEntries {
// The change log's entries for a change: the typed cell of an edit (every
// changed cell when the typed one kept its text),
// one entry for an added or deleted row.
QList<ChangeEntry> Of(const LedgerChange &change, const LedgerKinds::PageKind &page, const QString &action);
} // namespace ChangeEntries
