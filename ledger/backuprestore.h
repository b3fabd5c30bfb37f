#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class LedgerPages;
class QWidget;
class ReadDatabaseThread;
struct RestoreFiles;
struct RestorePreview;

// 数据备份 and 数据还原 from the window: the backup on a worker with its
// closing box, the restore with its numbers box and re-login, then the
// pages loaded anew.
class BackupRestore : public QObject
{
    Q_OBJECT
public:
    BackupRestore(LedgerPages *pages, QWidget *window);

    // Without a re-login function restoring is refused.
    void SetRelogin(std::function<bool()> relogin) { m_relogin = std::move(relogin); }
    // Where backups go; default DbDateSave under the current folder.
    void SetBackupFolder(const QString &folder) { m_backupFolder = folder; }

    void SaveDbDate();
    void EnableAction();
    void RestoreDbDate();
    bool IsBackingUp() const;
    // Blocks until a running backup has written its file; later completion
    // notices stay silent, the window is going away.
    void WaitForBackup();

signals:
    void BackupFinished(bool written, const QString &path);

private:
    bool ConfirmRestore(const RestorePreview &preview, const RestoreFiles &files);
    void SetBackupActionEnabled(bool enabled);

    LedgerPages *m_pages;
    QWidget *m_window;
    std::function<bool()> m_relogin;
    QString m_backupFolder;
    bool m_closing = false;
    bool m_lastBackupWritten = false;
    QString m_lastBackupPath;
    QString m_lastBackupError;
    QPointer<ReadDatabaseThread> m_backupWorker;
};
