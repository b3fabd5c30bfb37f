#pragma once

// Shared by the files of the store (db/storedbaccess*.cpp) and nothing else.

#include "db/result.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

class DbManager;
class QSqlError;
class QSqlQuery;
class TransactionGuard;
struct SqlDialect;

namespace StoreSql {

// The store's helpers below leave the reason they failed for the calling
// thread; a public operation hands it on in its Result (Outcome).
void SetError(const QString &text);
QString Error();
// Ok when ok; otherwise a failure carrying the reason the helpers left.
Result Outcome(bool ok);

// SQLSTATE class 22: the database refused a value (a date that is not a
// date, a text too long for its column), not the statement.
bool ValueRefused(const QSqlError &error);

// The value for a date column: a blank text is no date at all, stored as NULL
// where dates are typed (an empty text would be refused there).
QVariant DateValue(const QString &text, bool typed);

// Each leaves the database's reason as the thread's error when it fails
// (DbError::Reason; a write the driver found damage in gets the manager's refusal).
bool Prepare(QSqlQuery &q, const QString &sql);
bool Exec(QSqlQuery &q, const QVariantList &values);
bool Run(QSqlQuery &q, const QString &sql, const QVariantList &values);

// The text of a column of the current row; empty for a column the select lacks (-1).
QString Text(const QSqlQuery &q, int index);

// Table names cannot be bound: only plain identifiers go into a statement.
bool PlainName(const QString &name);

// The start of every store operation: clears the calling thread's error and
// takes the thread's connection, its dialect and the store number to bind.
class Call
{
public:
    enum Access { Reads, Writes };
    // A call that Writes is refused at once, with the manager's reason, while
    // the database is damaged or open read-only.
    Call(DbManager *manager, const QString &storeNo, Access access = Reads);

    // False, with the reason as the error, when there is no open connection
    // or the call may not write.
    bool Connected() const { return m_connected; }
    // Commits tx; false, with "保存未能提交: " and the database's reason, when it cannot.
    bool Commit(TransactionGuard &tx) const;
    // Leaves text as the error; false, for `return call.Fail(...)`.
    bool Fail(const QString &text) const;

    QSqlDatabase &db() { return m_db; }
    const SqlDialect &dialect() const { return *m_dialect; }
    const QString &storeNo() const { return m_storeNo; }

    // One statement on a query of its own.
    bool Run(const QString &sql, const QVariantList &values);
    // A forward-only select into q.
    bool Select(QSqlQuery &q, const QString &sql, const QVariantList &values);
    // The connection's kept query prepared with sql (DbManager::Statement);
    // null, with the error left, when it cannot be had.
    QSqlQuery *Statement(const QString &sql) const;

private:
    DbManager *m_manager;
    QSqlDatabase m_db;
    const SqlDialect *m_dialect;
    QString m_storeNo;
    bool m_connected = false;
};

} // namespace StoreSql
