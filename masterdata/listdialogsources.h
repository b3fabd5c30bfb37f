#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class DialogStoreSet;
class InfoListDialog;

// What the list dialogs lend to dialogs that offer their lists (the query
// dialog's condition combos and warehouse condition), as plain functions so
// that those dialogs need not know the list dialogs.
namespace ListDialogSources {

// The first-column values of list infoType of the master data dialog
// (storeKind InfoStore::MasterData) or the people dialog (any other); empty
// when that dialog is missing or gone.
std::function<QStringList(int storeKind, int infoType)> ListValues(InfoListDialog *masterData,
                                                                   InfoListDialog *people);

// Runs the warehouse picker; true with the location chosen with its "确定",
// false when it was closed without a choice or is gone. Empty without a picker.
std::function<bool(QString *chosen)> WarehousePicker(DialogStoreSet *picker);

} // namespace ListDialogSources
