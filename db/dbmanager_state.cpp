// The state of the database the connection opened: damaged, read-only, the
// SQLite log moved into the file, a damaged file replaced. Kept apart from
// opening and table maintenance (dbmanager.cpp).
#include "db/dbmanager.h"

#include "db/dberror.h"
#include "db/sqldialect.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

void DbManager::CheckFile()
{
    // A file damaged in the middle still opens and reads its first pages;
    // the check walks every page, so writes stop before they meet the damage.
    m_fileChecked = false;
    QSqlQuery q(m_db);
    if (!q.exec(QLatin1String(m_dialect->integrityCheck)) || !q.next()) {
        if (DbError::KindOf(q.lastError()) != DbError::Kind::Damaged)
            qDebug().noquote() << "file check:" << q.lastError().text();
        return;
    }
    const QString verdict = q.value(0).toString();
    if (verdict != QLatin1String("ok"))
        MarkDamaged(DbError::FirstFinding(verdict));
    else
        m_fileChecked = true;
}

QString DbManager::DatabaseFile() const { return m_dialect->fileDatabase ? m_file : QString(); }

void DbManager::MarkDamaged(const QString &reason)
{
    QMutexLocker lock(&m_stateLock);
    if (m_damage.isEmpty())
        m_damage = reason.trimmed().isEmpty() ? QStringLiteral("数据库没有给出原因") : reason.trimmed();
}

QString DbManager::damage() const
{
    QMutexLocker lock(&m_stateLock);
    return m_damage;
}

void DbManager::SetReadOnly(const QString &reason)
{
    QMutexLocker lock(&m_stateLock);
    m_readOnly = reason;
}

QString DbManager::readOnlyReason() const
{
    QMutexLocker lock(&m_stateLock);
    return m_readOnly;
}

QString DbManager::WriteRefusal() const
{
    QMutexLocker lock(&m_stateLock);
    if (!m_damage.isEmpty()) {
        const QString file = QFileInfo(m_file).fileName();
        return QStringLiteral(
                   "数据库文件已损坏，未保存：%1。请用“数据还原”（或 quillonctl restore）还原最近的备份"
                   "（DbDateSave 文件夹中的 record_*.sql）%2")
            .arg(m_damage,
                 m_dialect->fileDatabase
                     ? QStringLiteral("；还原时损坏的文件保留为 %1.damaged-<时间>").arg(file)
                     : QString());
    }
    if (!m_readOnly.isEmpty() && m_dialect->fileDatabase)
        return QStringLiteral("数据只能读取，未保存：%1").arg(m_readOnly);
    return QString();
}

Result DbManager::Checkpoint()
{
    if (!m_dialect->fileDatabase || !IsOpen() || !readOnlyReason().isEmpty())
        return Result::Ok();
    QSqlQuery q(Connection());
    if (!q.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")) || !q.next())
        return Result::Fail(
            QStringLiteral("无法把日志写入数据库文件: %1").arg(DbError::Reason(q.lastError())));
    // The first column is 1 when a reader or writer kept the log from being emptied.
    if (q.value(0).toInt() != 0)
        return Result::Fail(QStringLiteral("无法把日志写入数据库文件: %1")
                                .arg(DbError::Describe(DbError::Kind::Busy, QString(), BusyTimeoutMs())));
    return Result::Ok();
}

Result DbManager::ReplaceDamagedFile(QString *keptAs)
{
    if (!m_dialect->fileDatabase || m_file.isEmpty())
        return Result::Fail(QStringLiteral("只有 SQLite 数据库文件可以替换"));
    const DbSettings settings = m_settings;
    const QString file = m_file;
    {
        QMutexLocker lock(&m_stateLock);
        m_damage.clear(); // no checkpoint into a damaged file on the way out
    }
    Close();
    const QString kept =
        QStringLiteral("%1.damaged-%2")
            .arg(file, QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_hhmmss_zzz")));
    // The log holds committed rows the file may lack: it goes along, under
    // the name SQLite looks for beside the kept file.
    if (!QFile::rename(file, kept)) {
        MarkDamaged(QStringLiteral("无法改名"));
        return Result::Fail(QStringLiteral("无法把损坏的文件 %1 改名保留").arg(file));
    }
    QFile::rename(file + QStringLiteral("-wal"), kept + QStringLiteral("-wal"));
    QFile::remove(file + QStringLiteral("-shm"));
    if (keptAs)
        *keptAs = kept;
    if (!ConnectDb(settings))
        return Result::Fail(
            QStringLiteral("损坏的文件已保留为 %1，但无法建立新的数据库: %2").arg(kept, m_connectError));
    return Result::Ok();
}
