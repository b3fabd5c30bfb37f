#include "db/transactionguard.h"

#include "db/dberror.h"
#include "db/sqldialect.h"

#include <QHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// Open guards per connection. Connections are per thread, so the count is too.
QHash<QString, int> &Depths()
{
    thread_local QHash<QString, int> depths;
    return depths;
}

QString SavepointName(int level) { return QStringLiteral("quillon_sp%1").arg(level); }

// Our own BEGIN IMMEDIATE and COMMIT run as statements, whose failures the
// driver does not keep as the connection's error; callers that ask the
// connection (db.lastError()) would read a blank. The reason is put there.
struct ConnectionError : QSqlDriver
{
    static void Set(QSqlDriver *driver, const QSqlError &error)
    {
        (driver->*(&ConnectionError::setLastError))(error);
    }
};

} // namespace

TransactionGuard::TransactionGuard(QSqlDatabase db) : m_db(std::move(db))
{
    if (!m_db.isOpen()) {
        m_error = QStringLiteral("数据库未连接");
        return;
    }
    m_key = m_db.connectionName();
    m_dialect = &SqlDialect::Of(m_db);
    m_level = Depths().value(m_key, 0);
    if (m_level > 0)
        m_active = Run(QStringLiteral("SAVEPOINT ") + SavepointName(m_level));
    else if (m_dialect->begin)
        m_active = Run(QLatin1String(m_dialect->begin));
    else if (!(m_active = m_db.transaction()))
        m_error = DbError::Reason(m_db.lastError());
    if (m_active)
        Depths()[m_key] = m_level + 1;
}

TransactionGuard::~TransactionGuard() { Rollback(); }

int TransactionGuard::Depth(const QSqlDatabase &db) { return Depths().value(db.connectionName(), 0); }

bool TransactionGuard::Run(const QString &sql)
{
    QSqlQuery q(m_db);
    if (q.exec(sql))
        return true;
    const QSqlError error = q.lastError();
    m_error = DbError::Reason(error);
    if (QSqlDriver *driver = m_db.driver())
        ConnectionError::Set(driver, QSqlError(QString(), m_error, error.type(), error.nativeErrorCode()));
    return false;
}

void TransactionGuard::Leave()
{
    m_active = false;
    QHash<QString, int> &depths = Depths();
    if (m_level > 0)
        depths[m_key] = m_level;
    else
        depths.remove(m_key);
}

bool TransactionGuard::Commit()
{
    if (!m_active)
        return false;
    bool ok;
    if (m_level > 0)
        ok = Run(QStringLiteral("RELEASE SAVEPOINT ") + SavepointName(m_level));
    else if (m_dialect->commit)
        ok = Run(QLatin1String(m_dialect->commit));
    else if (!(ok = m_db.commit()))
        m_error = DbError::Reason(m_db.lastError());
    if (ok)
        Leave();
    return ok;
}

void TransactionGuard::Rollback()
{
    if (!m_active)
        return;
    if (m_level > 0) {
        const QString name = SavepointName(m_level);
        Run(QStringLiteral("ROLLBACK TO SAVEPOINT ") + name);
        Run(QStringLiteral("RELEASE SAVEPOINT ") + name);
    } else if (m_dialect->rollback) {
        Run(QLatin1String(m_dialect->rollback));
    } else {
        m_db.rollback();
    }
    Leave();
}
