#pragma once

#include <QString>

// Where print and export first propose to save, and import first looks. A
// program working in its own folder (a portable copy, the build folder) keeps
// its TabDateSave/ and InfoDateSave/ beside it; an installed program works in
// a hidden per-user folder, so its files go to the user's documents folder
// (Documents/Quillon, under whatever name the desktop gives Documents).
namespace ExportFolder {

// subfolder (relative, as the dialogs took it so far) when workFolder is
// programFolder or no documents folder is known; documentsFolder/Quillon
// otherwise. Folders compare after cleaning ("a/./b/" is "a/b").
QString Choose(const QString &workFolder, const QString &programFolder, const QString &documentsFolder,
               const QString &subfolder);

// Choose() for this process: the current folder, the executable's folder and
// the system's documents folder. The documents folder is made when missing;
// when it cannot be made the subfolder is used.
QString ForFiles(const QString &subfolder);

} // namespace ExportFolder
