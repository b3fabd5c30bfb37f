#pragma once

#include <QHash>
#include <QMutex>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <atomic>

#include "db/result.h"

struct SqlDialect;

class QThread;

// Where the data lives. Read from the optional [Database] group of
// InitParam/dBConfig.ini; every key falls back to a built-in value.
struct DbSettings
{
    QString driver; // "QSQLITE" (default), "QODBC" or "QPSQL"
    QString file;   // SQLite file, relative to the working folder
    QString server;
    int port = 0;
    QString name;
    QString user;
    QString password;
    QString schema; // PostgreSQL only: the schema to work in (default: the server's search path)

    // Reads the settings file; a missing file or group gives the defaults.
    static DbSettings Read(const QString &iniPath = QStringLiteral("InitParam/dBConfig.ini"));
};

// Owner of the database connection. One instance for the process.
// The default Qt connection belongs to the thread that opened it; any other
// thread that calls a store gets its own clone (see Connection()).
class DbManager
{
public:
    static DbManager *Instance();

    // Opens the connection described by the settings file and creates missing
    // tables. On failure returns false and leaves the reason in connectError();
    // the caller shows the warning box.
    [[nodiscard]] bool ConnectDb();
    [[nodiscard]] bool ConnectDb(const DbSettings &settings);
    void Close();
    bool IsOpen() const;
    QString connectError() const { return m_connectError; }
    const DbSettings &settings() const { return m_settings; }
    // What differs for the driver of the settings last connected with.
    const SqlDialect &dialect() const { return *m_dialect; }

    // The connection to use on the calling thread: the default connection on
    // the thread that opened it, a per-thread clone elsewhere (closed and
    // removed when that thread finishes).
    QSqlDatabase Connection() const;
    // A query of that connection prepared with sql, kept with the connection
    // until it closes: a statement run on every cell edit is parsed (on a
    // server, prepared) once. Null, with the database's text in error, when
    // the connection is closed or refuses the statement.
    QSqlQuery *Statement(const QString &sql, QString &error) const;

    // "DRIVER={SQL SERVER};SERVER=%1;PORT=%2;DATABASE=%3;UID=%4;PWD=%5;"
    static QString OdbcConnectionString(const QString &server, int port, const QString &database,
                                        const QString &user, const QString &password);

    // Table maintenance.
    void CreateAllTables();
    Result CreateTable(const QString &tableName, QStringList names, QStringList types);
    Result TruncateTable(const QString &tableName);
    Result DropAllTables();
    // The statement CreateTable would run, before any translation for the driver.
    static QString CreateTableStatement(const QString &tableName, const QStringList &names,
                                        const QStringList &types, bool databaseEmpty);
    // User tables of the connection, without the database's internal ones; on
    // PostgreSQL the tables of the current schema only, in creation order.
    QStringList UserTables() const;

    // The SQLite file of the connection (absolute), empty for a server.
    QString DatabaseFile() const;
    // How long a statement waits for another program's write lock.
    int BusyTimeoutMs() const;

    // A damaged database takes no more writes: set by the start-up check or
    // by a statement the driver refused as corrupt, until the next connect.
    void MarkDamaged(const QString &reason);
    QString damage() const;
    // Whether the connection's file passed the integrity check when it opened.
    bool FileChecked() const { return m_fileChecked; }
    // Opens the next connection read-only (an unwritable working folder), with
    // the reason every refused save gives. Empty: read and write.
    void SetReadOnly(const QString &reason);
    QString readOnlyReason() const;
    // Why a write must not be tried now, ending with how to recover; empty
    // when writes may go ahead.
    QString WriteRefusal() const;

    // Moves SQLite's log into the database file and empties it, so that the
    // file alone holds every committed row. Nothing to do on a server.
    Result Checkpoint();
    // For a damaged SQLite file: closes the connection, keeps the file as
    // <file>.damaged-<stamp> (its log beside it) and opens a new, empty
    // database in its place. Returns the name the damaged file was kept as.
    Result ReplaceDamagedFile(QString *keptAs);

private:
    DbManager();
    void CreateLookupIndexes();
    bool OpenSqlite();
    void CheckFile();
    bool OpenServer();
    static void ConfigureConnection(QSqlDatabase &db);
    // Whether a schema name can go into the connection options as it is.
    static bool PlainIdentifier(const QString &name);

    QSqlDatabase m_db;
    // The owner thread's prepared statements; emptied before m_db closes.
    mutable QHash<QString, QSqlQuery> m_statements;
    DbSettings m_settings;
    const SqlDialect *m_dialect;
    QString m_connectError;
    QThread *m_ownerThread = nullptr;
    std::atomic<bool> m_connected{false};
    // Bumped on every open/close so other threads drop clones of an old connection.
    std::atomic<quint64> m_generation{0};
    QString m_file; // SQLite: the absolute path of the file opened
    std::atomic<bool> m_fileChecked{false};
    mutable QMutex m_stateLock; // the two texts below, read by every thread's writes
    QString m_damage;
    QString m_readOnly;
};
