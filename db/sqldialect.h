#pragma once

#include <QSqlDatabase>
#include <QString>

// The few things the program does differently per database driver, in one
// table (db/sqldialect.cpp). Everything else is plain SQL every supported
// server takes. A driver not in the table gets the defaults below.
struct SqlDialect
{
    const char *driver = "";       // Qt driver name
    bool fileDatabase = false;     // a file beside the program, no server (SQLite)
    bool connectionString = false; // the whole connection text is the database name (ODBC)
    int defaultPort = 1433;        // when the settings give none
    // Session options, set through the connection options so that per-thread
    // clones get them too. The %1 of connectOptions takes searchPathOption with
    // the schema name as its %1, or nothing.
    const char *connectOptions = nullptr;
    const char *searchPathOption = nullptr;
    const char *connectionSetup = nullptr; // run on every connection the program opens
    // Own statements for a top-level transaction instead of the driver's calls.
    const char *begin = nullptr;
    const char *commit = nullptr;
    const char *rollback = nullptr;
    bool typedDates = false;                   // the server checks that a date column holds a date
    bool schemaTables = false;                 // tables are listed from the current schema's catalog
    const char *internalTablePrefix = nullptr; // the database's own tables, not ours
    bool indexIfNotExists = false;             // takes "create index if not exists"
    const char *integrityCheck = nullptr;      // a statement answering "ok" for a sound database
    // The statement for this driver, from the bracket-quoted, identity-column
    // form the table definitions are written in; null: as written.
    QString (*translate)(const QString &statement) = nullptr;

    QString Translate(const QString &statement) const { return translate ? translate(statement) : statement; }

    static const SqlDialect &ForDriver(const QString &driver);
    static const SqlDialect &Of(const QSqlDatabase &db) { return ForDriver(db.driverName()); }
};
