#pragma once

#include <QSqlDatabase>

// Rolls back on destruction unless Commit() succeeded. On SQLite the
// transaction starts IMMEDIATE so that a look-up followed by a write cannot
// be overtaken by another connection's write between the two.
class TransactionGuard
{
public:
    explicit TransactionGuard(QSqlDatabase db);
    ~TransactionGuard();
    TransactionGuard(const TransactionGuard &) = delete;
    TransactionGuard &operator=(const TransactionGuard &) = delete;

    bool IsActive() const { return m_active; }
    bool Commit();
    void Rollback();

private:
    QSqlDatabase m_db;
    bool m_sqlite = false;
    bool m_active = false;
};
