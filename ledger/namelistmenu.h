#pragma once

#include "db/result.h"

#include <QString>
#include <functional>

class QMenu;
class QModelIndex;
namespace LedgerKinds {
struct PageKind;
}

// "加入名单" in a ledger cell's menu: puts a typed name its list lacks into
// that list, as the list dialog would.
namespace NameListMenu {

using Adder = std::function<Result(int storeKind, int infoType, const QString &name)>;

// Adds the entry when the cell (an index of the page's view) shows a name its
// list lacks and there is an adder. Choosing it adds the name, then calls
// added (the pages read their lists again); a failure is shown in a box.
void Offer(QMenu &menu, const LedgerKinds::PageKind &page, const QModelIndex &index, const Adder &add,
           const std::function<void()> &added);

} // namespace NameListMenu
