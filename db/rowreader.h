#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

struct sqlite3_stmt;

// A forward-only select read column by column, each value exactly as
// QSqlQuery::value() gives it. On SQLite it steps the statement through the
// connection's own handle: the Qt driver turns every column of every row into
// a UTF-16 copy inside a QVariant, which made reading a ledger several times
// slower than the database's own scan. Other servers go through QSqlQuery.
class RowReader
{
public:
    explicit RowReader(const QSqlDatabase &db);
    ~RowReader();
    RowReader(const RowReader &) = delete;
    RowReader &operator=(const RowReader &) = delete;

    // Prepares and runs sql with the values bound in order (a null text is
    // bound as an empty one, so "column = ?" can match it). False with error().
    bool Exec(const QString &sql, const QVariantList &values);
    // False after the last row, or when reading failed (error() then says why).
    bool Next();

    // Column index of the result by name (case-insensitive), -1 without it.
    int IndexOf(const QString &name) const;
    QVariant Value(int column) const;
    QString Text(int column) const;
    int Int(int column) const;

    QString error() const { return m_error; }

private:
    bool Fail(const QString &text);
    void Finish();

    QSqlDatabase m_db;
    QSqlQuery m_query;
    sqlite3_stmt *m_stmt = nullptr;
    int m_columns = 0;
    QString m_error;
};
