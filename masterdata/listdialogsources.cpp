#include "masterdata/listdialogsources.h"

#include "db/records.h"
#include "masterdata/dialogstoreset.h"
#include "masterdata/infolistdialog.h"
#include "widgets/modalseam.h"

#include <QPointer>

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
        // The picker calls its writer only when "确定" is pressed; it ends its
        // run by hiding itself, which reads as rejected whatever was chosen,
        // so the writer, not the result, tells.
        bool picked = false;
        QString location;
        picker->SetTarget(QString(), [&picked, &location](const QString &text) {
            picked = true;
            location = text;
        });
        ModalSeam::ExecDialog(*picker);
        picker->SetTarget(QString(), {});
        if (picked && chosen)
            *chosen = location;
        return picked;
    };
}

} // namespace ListDialogSources
