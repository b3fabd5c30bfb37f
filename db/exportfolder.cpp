#include "db/exportfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace ExportFolder {
namespace {
QString Clean(const QString &folder) { return QDir::cleanPath(QDir(folder).absolutePath()); }
} // namespace

QString Choose(const QString &workFolder, const QString &programFolder, const QString &documentsFolder,
               const QString &subfolder)
{
    if (documentsFolder.isEmpty() || Clean(workFolder) == Clean(programFolder))
        return subfolder;
    return QDir(documentsFolder).filePath(QStringLiteral("Quillon"));
}

QString ForFiles(const QString &subfolder)
{
    const QString chosen =
        Choose(QDir::currentPath(), QCoreApplication::applicationDirPath(),
               QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), subfolder);
    // A dialog opened on a folder that is not there starts somewhere else.
    if (chosen != subfolder && !QDir().mkpath(chosen))
        return subfolder;
    return chosen;
}

} // namespace ExportFolder
