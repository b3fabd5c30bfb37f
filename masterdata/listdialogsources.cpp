#include "masterdata/listdialogsources.h"

#include "db/records.h"
#include "masterdata/dialogstoreset.h"
#include "masterdata/infolistdialog.h"
#include "widgets/modalseam.h"

#include <QPointer>
#include <QTableWidget>

namespace ListDialogSources {

std::function<QStringList(int, int)> ListValues(InfoListDialog *masterData, InfoListDialog *people)
{
    const QPointer<InfoListDialog> master(masterData);
    const QPointer<InfoListDialog> persons(people);
    return [master, persons](int storeKind, int infoType) {
        const InfoListDialog *dialog = storeKind == InfoStore::MasterData ? master.data() : persons.data();
        return dialog ? dialog->ColumnValues(infoType, 0) : QStringList();
    };
}

std::function<bool(QString *)> WarehousePicker(DialogStoreSet *picker)
{
    if (!picker)
        return {};
    const QPointer<DialogStoreSet> guarded(picker);
    return [guarded](QString *chosen) {
        DialogStoreSet *picker = guarded.data();
        if (!picker)
            return false;
        // The picker writes into a table cell and creates the cell's item only
        // when its "确定" is pressed, so an item afterwards means a choice.
        QTableWidget target(1, 1);
        picker->SetTarget(&target, 0, 0);
        // The picker ends its run by hiding itself, which reads as rejected
        // whatever was chosen: the cell, not the result, tells.
        ModalSeam::ExecDialog(*picker);
        picker->SetTarget(nullptr, -1, -1);
        const QTableWidgetItem *item = target.item(0, 0);
        if (!item)
            return false;
        if (chosen)
            *chosen = item->text();
        return true;
    };
}

} // namespace ListDialogSources
