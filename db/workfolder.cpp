#include "db/workfolder.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

const char kSettingsFolder[] = "InitParam";
const char kSettingsFile[] = "InitParam/dBConfig.ini";

bool Fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

bool SameContent(const QString &a, const QString &b)
{
    QFile left(a);
    QFile right(b);
    if (left.size() != right.size() || !left.open(QIODevice::ReadOnly) || !right.open(QIODevice::ReadOnly))
        return false;
    return left.readAll() == right.readAll();
}

// Upgrades bring new chart pages; the copy in a data folder follows them.
void CopyChartPages(const QString &source, const QString &target)
{
    const QDir from(source);
    if (!from.exists())
        return;
    if (QFileInfo(source).canonicalFilePath() == QFileInfo(target).canonicalFilePath())
        return;
    if (!QDir().mkpath(target)) {
        qWarning().noquote() << "chart pages: cannot make" << target;
        return;
    }
    const QStringList pages = from.entryList(QDir::Files);
    for (const QString &page : pages) {
        const QString src = from.filePath(page);
        const QString dst = QDir(target).filePath(page);
        if (QFileInfo::exists(dst) && SameContent(src, dst))
            continue;
        QFile::remove(dst);
        if (!QFile::copy(src, dst))
            qWarning().noquote() << "chart pages: cannot copy" << src << "to" << dst;
        else
            QFile::setPermissions(dst, QFile::permissions(dst) | QFileDevice::WriteOwner);
    }
}

// isWritable asks the system (access()), so a read-only mount or a folder
// owned by someone else counts as not writable.
bool SystemWritable(const QString &folder) { return QFileInfo(folder).isWritable(); }

bool (*g_writable)(const QString &) = SystemWritable;

} // namespace

bool WorkFolder::Writable(const QString &folder) { return g_writable(folder); }

void WorkFolder::SetWritableCheck(bool (*check)(const QString &folder))
{
    g_writable = check ? check : SystemWritable;
}

bool WorkFolder::HoldsData(const QString &folder)
{
    return !folder.isEmpty() && QFileInfo(QDir(folder).filePath(QLatin1String(kSettingsFolder))).isDir();
}

bool WorkFolder::UsableInPlace(const QString &folder) { return HoldsData(folder) && Writable(folder); }

QString WorkFolder::Choose(const QString &programFolder, const QString &perUserFolder)
{
    return HoldsData(programFolder) ? QDir(programFolder).absolutePath() : perUserFolder;
}

QString WorkFolder::PerUserFolder()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return base.isEmpty() ? QString() : QDir(base).filePath(QStringLiteral("Quillon"));
}

QString WorkFolder::ChartSource(const QString &programFolder)
{
    const QDir dir(programFolder);
    const QString beside = dir.filePath(QStringLiteral("html"));
    if (QFileInfo(beside).isDir())
        return beside;
    return QDir::cleanPath(dir.filePath(QStringLiteral("../share/quillon/html")));
}

bool WorkFolder::Prepare(const QString &folder, const QString &chartSource, QString *error)
{
    const QDir dir(folder);
    const bool fresh = !QFileInfo(dir.filePath(QLatin1String(kSettingsFolder))).isDir();
    for (const char *sub : {kSettingsFolder, "DbDateSave", "TabDateSave", "InfoDateSave"}) {
        if (!QDir().mkpath(dir.filePath(QLatin1String(sub))))
            return Fail(error,
                        QStringLiteral("无法建立文件夹 %1")
                            .arg(QDir::toNativeSeparators(dir.filePath(QLatin1String(sub)))));
    }
    // A folder that already had InitParam/ keeps its settings as they are, even
    // without a settings file: the store number then comes from the machine.
    const QString ini = dir.filePath(QLatin1String(kSettingsFile));
    if (fresh && !QFileInfo::exists(ini)) {
        QSaveFile file(ini);
        if (!file.open(QIODevice::WriteOnly) || file.write("[StoreNo]\nNo=1\n") < 0 || !file.commit())
            return Fail(
                error,
                QStringLiteral("无法写入 %1：%2").arg(QDir::toNativeSeparators(ini), file.errorString()));
    }
    CopyChartPages(chartSource, dir.filePath(QStringLiteral("html")));
    return true;
}

QString WorkFolder::Enter(const QString &overrideFolder, QString *error, QString *readOnly)
{
    if (readOnly)
        readOnly->clear();
    const QString programFolder = QCoreApplication::applicationDirPath();
    QString folder = overrideFolder.isEmpty() ? Choose(programFolder, PerUserFolder()) : overrideFolder;
    if (folder.isEmpty()) {
        Fail(error, QStringLiteral("找不到用户数据文件夹"));
        return QString();
    }
    folder = QDir(folder).absolutePath();
    // A mistyped folder must not get a new, empty database.
    if (!overrideFolder.isEmpty() && !QFileInfo(folder).isDir()) {
        Fail(error, QStringLiteral("工作目录不存在: %1").arg(QDir::toNativeSeparators(folder)));
        return QString();
    }
    if (!overrideFolder.isEmpty()
        && !QFileInfo(QDir(folder).filePath(QLatin1String(kSettingsFile))).isFile()) {
        Fail(error,
             QStringLiteral("%1 不是工作目录: 没有 %2")
                 .arg(QDir::toNativeSeparators(folder), QLatin1String(kSettingsFile)));
        return QString();
    }
    // Nothing can be made in a folder that cannot be written; what is there is shown.
    if (HoldsData(folder) && !Writable(folder)) {
        if (readOnly)
            *readOnly =
                QStringLiteral("数据文件夹 %1 不可写入（只读的磁盘或没有写入权限），数据以只读方式打开")
                    .arg(QDir::toNativeSeparators(folder));
    } else if (!Prepare(folder, ChartSource(programFolder), error)) {
        return QString();
    }
    if (!QDir::setCurrent(folder)) {
        Fail(error, QStringLiteral("无法进入工作目录: %1").arg(QDir::toNativeSeparators(folder)));
        return QString();
    }
    return folder;
}
