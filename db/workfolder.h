#pragma once

#include <QString>

// The folder the program works in. Settings (InitParam/dBConfig.ini), backups,
// workbooks, the SQLite file and the chart page are all addressed relative to
// it, so both executables choose it the same way before touching any of them.
class WorkFolder
{
public:
    // A folder is used in place (the build folder, a portable copy on a USB
    // stick) when it holds InitParam/ and this process may write into it.
    static bool UsableInPlace(const QString &folder);

    // A folder holding data: InitParam/ (settings, and the database beside them).
    static bool HoldsData(const QString &folder);

    // programFolder when it holds data (read-only when it cannot be written),
    // otherwise perUserFolder: a folder whose data cannot be written is
    // opened as it is, never silently replaced by another, empty one.
    static QString Choose(const QString &programFolder, const QString &perUserFolder);

    // Whether this process may write into folder (access(): a read-only mount
    // or another owner's folder is not). Tests stand in their own answer.
    static bool Writable(const QString &folder);
    static void SetWritableCheck(bool (*check)(const QString &folder));

    // <user data folder>/Quillon (~/.local/share/Quillon), the same for every
    // executable of the program whatever its application name.
    static QString PerUserFolder();

    // The chart pages shipped with the program: html/ beside it (build folder),
    // else ../share/quillon/html (installed).
    static QString ChartSource(const QString &programFolder);

    // Gives folder the working layout. A folder without InitParam/ is new: it
    // gets InitParam/dBConfig.ini with store number 1. DbDateSave/, TabDateSave/
    // and InfoDateSave/ are made when missing; chart pages from chartSource are
    // copied where missing or different. Nothing already there is changed but
    // the chart pages. False with the reason in error when the folder cannot be
    // made or the settings file not written.
    [[nodiscard]] static bool Prepare(const QString &folder, const QString &chartSource, QString *error);

    // Chooses the folder, prepares it and makes it the current folder. A folder
    // named in overrideFolder must already hold InitParam/dBConfig.ini. Returns
    // the absolute path, or an empty text with the reason in error. A folder
    // with data that cannot be written is entered unprepared; readOnly then
    // gets the reason saves will be refused with (empty otherwise).
    static QString Enter(const QString &overrideFolder, QString *error, QString *readOnly = nullptr);
};
