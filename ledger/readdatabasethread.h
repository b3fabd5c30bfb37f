#pragma once

#include <QDateTime>
#include <QReadWriteLock>
#include <QString>
#include <QStringList>
#include <QThread>
#include <functional>

struct LedgerLists;

// One long operation off the GUI thread. A new worker is made for every
// operation and deletes itself when it has finished; it uses its own database
// connection (DbManager::Connection() gives one per thread).
class ReadDatabaseThread : public QThread
{
    Q_OBJECT
public:
    enum Type : int {
        LoadToday = 1, // today's rows of every stored page into the page lists
        ImportSheet = 2,
        Query = 3,
        Backup = 5, // the store's rows into DbDateSave/record_<stamp>.sql
    };
    // Work of the types this class does not do itself (import, query): set
    // before start, runs on the worker.
    using Work = std::function<void(ReadDatabaseThread &worker)>;

    // lists may be null: a load then does nothing.
    ReadDatabaseThread(LedgerLists *lists, int type, QObject *parent = nullptr);
    // Waits for run() to end, so nothing writes into the lists afterwards.
    ~ReadDatabaseThread() override;

    int type() const { return m_type; }
    LedgerLists *lists() const { return m_lists; }

    void SetWork(Work work) { m_work = std::move(work); }
    void SetImportParam(int sheet, const QString &path, QStringList *list);
    int importSheet() const { return m_importSheet; }
    QString importPath() const { return m_importPath; }
    // Why a page load read nothing (empty when every page was read).
    QString loadError() const { return m_loadError; }
    QStringList *importList() const { return m_importList; }

    // Backup: where the file goes (default: DbDateSave under the current
    // folder) and, once finished, whether it was written.
    void SetBackupFolder(const QString &folder) { m_backupFolder = folder; }
    QString backupPath() const { return m_backupPath; }
    bool backupWritten() const { return m_backupWritten; }
    QString backupError() const { return m_backupError; }
    static QString BackupFileName(const QDateTime &when);

    // Starts with the inherited priority; the worker is deleted on the
    // receiver's thread once it has finished.
    void StartSelfDeleting();

protected:
    void run() override;

private:
    void LoadTodayRows();
    void WriteBackup();

    QReadWriteLock m_lock{QReadWriteLock::Recursive};
    LedgerLists *m_lists = nullptr;
    int m_type = 0;
    Work m_work;
    int m_importSheet = 0;
    QString m_importPath;
    QStringList *m_importList = nullptr;
    QString m_backupFolder;
    QString m_backupPath;
    QString m_loadError;
    bool m_backupWritten = false;
    QString m_backupError; // why the backup was not written whole
};
