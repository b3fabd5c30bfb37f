#pragma once

#include <QSqlDatabase>
#include <QString>

struct SqlDialect;

// Rolls back on destruction unless Commit() succeeded. On SQLite the
// transaction starts IMMEDIATE so that a look-up followed by a write cannot
// be overtaken by another connection's write between the two.
//
// Guards nest: a guard opened while another guard of this thread holds the
// same connection becomes a savepoint, so a failing inner step (one row of an
// import) is undone on its own and, on PostgreSQL, does not leave the outer
// transaction aborted.
class TransactionGuard
{
public:
    explicit TransactionGuard(QSqlDatabase db);
    ~TransactionGuard();
    TransactionGuard(const TransactionGuard &) = delete;
    TransactionGuard &operator=(const TransactionGuard &) = delete;

    bool IsActive() const { return m_active; }
    // Why beginning or committing failed, ending with the database's reason.
    const QString &error() const { return m_error; }
    bool IsSavepoint() const { return m_level > 0; }
    [[nodiscard]] bool Commit();
    void Rollback();

    // Guards of this thread currently open on the connection.
    static int Depth(const QSqlDatabase &db);

private:
    bool Run(const QString &sql);
    void Leave();

    QSqlDatabase m_db;
    QString m_key;
    const SqlDialect *m_dialect = nullptr;
    bool m_active = false;
    QString m_error;
    int m_level = 0; // 0 the transaction itself, n > 0 the n-th nested savepoint
};
