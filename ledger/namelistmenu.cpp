#include "ledger/namelistmenu.h"

#include "ledger/ledgermodel.h"
#include "ledger/namelists.h"
#include "widgets/boxes.h"

#include <QMenu>
#include <QModelIndex>

namespace NameListMenu {

void Offer(QMenu &menu, const LedgerKinds::PageKind &page, const QModelIndex &index, const Adder &add,
           const std::function<void()> &added)
{
    int storeKind = 0;
    int infoType = 0;
    if (!add || !index.data(LedgerModel::NotListedRole).toBool()
        || !NameLists::TargetOf(page, index.column(), &storeKind, &infoType))
        return;
    const QString name = index.data(Qt::EditRole).toString();
    QWidget *parent = menu.parentWidget();
    QAction *action = menu.addAction(QStringLiteral("加入名单"));
    QObject::connect(action, &QAction::triggered, &menu, [=] {
        const Result result = add(storeKind, infoType, name);
        if (!result.ok()) {
            Boxes::Warning(parent, QStringLiteral("加入名单"),
                           QStringLiteral("“%1”没有加入名单：%2").arg(name, result.error()));
            return;
        }
        if (added)
            added();
    });
}

} // namespace NameListMenu
