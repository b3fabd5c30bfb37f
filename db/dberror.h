#pragma once

#include <QString>

class QSqlError;

// Why the database refused a statement, in words a shopkeeper can act on. The
// driver's own text stays at the end; causes it words obscurely (a full disk
// reported as an I/O error, a lock held by another program) are named first.
namespace DbError {

enum class Kind {
    Other,
    Damaged,  // the file (or a server page) is corrupt
    DiskFull, // no room left on the disk that holds the database
    Busy,     // another program holds the write lock past our wait
    ReadOnly, // the file or its folder cannot be written
};

// SQLite's primary result code, or the PostgreSQL SQLSTATE, as the driver reports it.
// freeBytes: what is left on the disk of the database file, -1 when unknown.
Kind Classify(const QString &nativeCode, qint64 freeBytes);

// The text for a failure of kind with the driver's text; waitedMs is how long
// a lock was waited for. Never empty: a driver without words gets a stand-in.
QString Describe(Kind kind, const QString &driverText, int waitedMs);

// Both of the above for an error of the program's connection; marks the
// database damaged (DbManager::MarkDamaged) when the error says so.
QString Reason(const QSqlError &error);
Kind KindOf(const QSqlError &error);

// The first finding of a failed integrity check ("Page 40: btreeInitPage()
// returns error code 11"), without SQLite's "*** in database main ***" heading.
QString FirstFinding(const QString &verdict);

// The driver's text of an error in one piece, "" when it gave none.
QString DriverText(const QSqlError &error);

} // namespace DbError
