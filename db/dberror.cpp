#include "db/dberror.h"

#include "db/dbmanager.h"
#include "db/sqldialect.h"

#include <QFileInfo>
#include <QSqlError>
#include <QStorageInfo>

namespace DbError {

namespace {

// Below this SQLite cannot grow its log by a page run; an I/O error then is the disk being full.
const qint64 kNearlyFull = 1 << 20;

} // namespace

Kind Classify(const QString &nativeCode, qint64 freeBytes)
{
    // SQLite's codes are numbers below 10000; a SQLSTATE has five characters, digits or not.
    bool numeric = false;
    const int code = nativeCode.toInt(&numeric) & 0xff; // extended codes keep the primary one below
    if (numeric && nativeCode.size() < 5) {
        switch (code) {
        case 11: // SQLITE_CORRUPT
        case 26: // SQLITE_NOTADB
            return Kind::Damaged;
        case 13: return Kind::DiskFull; // SQLITE_FULL
        case 10:                        // SQLITE_IOERR: ENOSPC surfaces as a plain write error
            return freeBytes >= 0 && freeBytes < kNearlyFull ? Kind::DiskFull : Kind::Other;
        case 5: // SQLITE_BUSY
        case 6: // SQLITE_LOCKED
            return Kind::Busy;
        case 8: return Kind::ReadOnly; // SQLITE_READONLY
        default: return Kind::Other;
        }
    }
    if (nativeCode == QLatin1String("53100"))
        return Kind::DiskFull;
    if (nativeCode == QLatin1String("55P03"))
        return Kind::Busy;
    if (nativeCode == QLatin1String("XX001") || nativeCode == QLatin1String("XX002"))
        return Kind::Damaged;
    if (nativeCode == QLatin1String("25006"))
        return Kind::ReadOnly;
    return Kind::Other;
}

QString Describe(Kind kind, const QString &driverText, int waitedMs)
{
    const QString said =
        driverText.trimmed().isEmpty() ? QStringLiteral("数据库没有给出原因") : driverText.trimmed();
    switch (kind) {
    case Kind::Damaged: return QStringLiteral("数据库文件已损坏 (%1)").arg(said);
    case Kind::DiskFull: return QStringLiteral("磁盘空间不足 (%1)").arg(said);
    case Kind::Busy:
        return QStringLiteral("另一个程序正在写入数据库，等了 %1 秒仍未写完 (%2)")
            .arg(QString::number(waitedMs / 1000.0, 'g', 3), said);
    case Kind::ReadOnly: return QStringLiteral("数据库文件不可写入 (%1)").arg(said);
    case Kind::Other: break;
    }
    return said;
}

QString FirstFinding(const QString &verdict)
{
    for (const QString &line : verdict.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (!line.trimmed().startsWith(QLatin1String("***")))
            return line.trimmed();
    }
    return verdict.trimmed();
}

QString DriverText(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    const QString driver = error.driverText().trimmed();
    if (text.isEmpty())
        text = driver;
    else if (!driver.isEmpty() && !text.contains(driver))
        text = driver + QStringLiteral(": ") + text;
    return text;
}

Kind KindOf(const QSqlError &error)
{
    DbManager *manager = DbManager::Instance();
    const QString code = error.nativeErrorCode();
    qint64 freeBytes = -1;
    // Only an I/O error needs to know how full the disk is.
    if (code.size() < 5 && (code.toInt() & 0xff) == 10 && manager->dialect().fileDatabase) {
        const QStorageInfo disk(QFileInfo(manager->DatabaseFile()).absolutePath());
        if (disk.isValid())
            freeBytes = disk.bytesAvailable();
    }
    const Kind kind = Classify(code, freeBytes);
    if (kind == Kind::Damaged)
        manager->MarkDamaged(DriverText(error));
    return kind;
}

QString Reason(const QSqlError &error)
{
    return Describe(KindOf(error), DriverText(error), DbManager::Instance()->BusyTimeoutMs());
}

} // namespace DbError
