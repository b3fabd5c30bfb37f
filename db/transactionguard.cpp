#include "db/transactionguard.h"

#include <QSqlDriver>
#include <QSqlQuery>

TransactionGuard::TransactionGuard(QSqlDatabase db)
    : m_db(std::move(db))
{
    if (!m_db.isOpen())
        return;
    m_sqlite = m_db.driverName() == QLatin1String("QSQLITE");
    if (m_sqlite) {
        QSqlQuery q(m_db);
        m_active = q.exec(QStringLiteral("BEGIN IMMEDIATE"));
    } else {
        m_active = m_db.transaction();
    }
}

TransactionGuard::~TransactionGuard()
{
    Rollback();
}

bool TransactionGuard::Commit()
{
    if (!m_active)
        return false;
    bool ok;
    if (m_sqlite) {
        QSqlQuery q(m_db);
        ok = q.exec(QStringLiteral("COMMIT"));
    } else {
        ok = m_db.commit();
    }
    if (ok)
        m_active = false;
    return ok;
}

void TransactionGuard::Rollback()
{
    if (!m_active)
        return;
    m_active = false;
    if (m_sqlite) {
        QSqlQuery q(m_db);
        q.exec(QStringLiteral("ROLLBACK"));
    } else {
        m_db.rollback();
    }
}
