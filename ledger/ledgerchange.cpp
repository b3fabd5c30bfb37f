#include "ledger/ledgerchange.h"

#include "db/changelog.h"
#include "ledger/ledgerkinds.h"

namespace {

QString Shown(const QString &text) { return text.isEmpty() ? QStringLiteral("(空)") : text; }

} // namespace

QString LedgerChange::Describe(const LedgerKinds::PageKind &page) const
{
    switch (kind) {
    case Edit:
        return QStringLiteral("修改 %1 %2 → %3")
            .arg(page.columnTitles.value(column), Shown(before.value(column)), Shown(after.value(column)));
    case Add: return QStringLiteral("增加 行 %1").arg(serial);
    case Delete: return QStringLiteral("删除 行 %1").arg(serial);
    }
    return QString();
}

namespace ChangeEntries {

QList<ChangeEntry> Of(const LedgerChange &change, const LedgerKinds::PageKind &page, const QString &action)
{
    QList<ChangeEntry> entries;
    ChangeEntry base;
    base.page = page.tableName;
    base.serial = change.serial;
    base.action = action;
    if (change.before.isEmpty() || change.after.isEmpty()) {
        // A whole row came or went: its texts are kept with the entry.
        base.oldText = change.before.join(QStringLiteral(" | "));
        base.newText = change.after.join(QStringLiteral(" | "));
        base.rows = 1;
        return {base};
    }
    // A typed value is one entry: the amounts it moved follow from it and
    // from the row's earlier entries, and each entry costs every edit time.
    QList<int> columns;
    if (change.column >= 0 && change.before.value(change.column) != change.after.value(change.column))
        columns << change.column;
    else
        for (int c = 0; c < change.after.size(); ++c)
            columns << c;
    for (int c : columns) {
        if (change.before.value(c) == change.after.value(c))
            continue;
        ChangeEntry e = base;
        e.column = page.columnTitles.value(c);
        e.oldText = change.before.value(c);
        e.newText = change.after.value(c);
        entries << e;
    }
    return entries;
}

} // namespace ChangeEntries
