#include "db/storedbaccess.h"

#include "db/dberror.h"
#include "db/dbmanager.h"
#include "db/sqldialect.h"
#include "db/storedbaccess_p.h"
#include "db/transactionguard.h"

#include <QDebug>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>

// The store's operations live in one file per table family:
// storedbaccess_ledgers.cpp (goods and finance rows), _lists.cpp (information
// lists), _users.cpp (accounts), _dump.cpp (backup) and _backup.cpp (restore).

namespace StoreSql {

namespace {

QString &ThreadError()
{
    thread_local QString error;
    return error;
}

} // namespace

void SetError(const QString &text) { ThreadError() = text; }

QString Error() { return ThreadError(); }

Result Outcome(bool ok)
{
    if (ok)
        return Result::Ok();
    const QString why = Error();
    return Result::Fail(why.isEmpty() ? QStringLiteral("数据库操作失败") : why);
}

namespace {

QString FailureText(const QSqlQuery &q)
{
    const QSqlError error = q.lastError();
    const DbError::Kind kind = DbError::KindOf(error);
    if (kind == DbError::Kind::Damaged
        && !q.lastQuery().trimmed().startsWith(QLatin1String("select"), Qt::CaseInsensitive))
        return DbManager::Instance()->WriteRefusal();
    return DbError::Describe(kind, DbError::DriverText(error), DbManager::Instance()->BusyTimeoutMs());
}

} // namespace

bool ValueRefused(const QSqlError &error) { return error.nativeErrorCode().startsWith(QLatin1String("22")); }

QVariant DateValue(const QString &text, bool typed)
{
    if (typed && text.trimmed().isEmpty())
        return QVariant(QVariant::Date);
    return text;
}

bool Exec(QSqlQuery &q, const QVariantList &values)
{
    for (const QVariant &v : values) {
        // A null QString would be bound as NULL, and "column = NULL" matches
        // nothing: a row saved with an empty model could never be deleted.
        if (v.type() == QVariant::String && v.isNull())
            q.addBindValue(QString(QLatin1String("")));
        else
            q.addBindValue(v);
    }
    if (q.exec())
        return true;
    SetError(FailureText(q));
    return false;
}

bool Prepare(QSqlQuery &q, const QString &sql)
{
    if (q.prepare(sql))
        return true;
    SetError(FailureText(q));
    return false;
}

bool Run(QSqlQuery &q, const QString &sql, const QVariantList &values)
{
    return Prepare(q, sql) && Exec(q, values);
}

QString Text(const QSqlQuery &q, int index) { return index < 0 ? QString() : q.value(index).toString(); }

bool PlainName(const QString &name)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return re.match(name).hasMatch();
}

Call::Call(DbManager *manager, const QString &storeNo, Access access)
    : m_manager(manager), m_dialect(&SqlDialect::ForDriver(QString())), m_storeNo(storeNo)
{
    SetError(QString());
    if (manager) {
        m_db = manager->Connection();
        m_dialect = &manager->dialect();
        m_connected = m_db.isOpen();
    }
    if (!m_connected) {
        SetError(QStringLiteral("数据库未连接"));
        return;
    }
    if (access == Writes) {
        const QString refusal = manager->WriteRefusal();
        if (!refusal.isEmpty()) {
            m_connected = false;
            SetError(refusal);
        }
    }
}

bool Call::Commit(TransactionGuard &tx) const
{
    return tx.Commit() || Fail(QStringLiteral("保存未能提交: %1").arg(tx.error()));
}

bool Call::Fail(const QString &text) const
{
    SetError(text);
    return false;
}

QSqlQuery *Call::Statement(const QString &sql) const
{
    QString error = QStringLiteral("数据库未连接");
    QSqlQuery *q = m_connected ? m_manager->Statement(sql, error) : nullptr;
    if (!q)
        SetError(error);
    return q;
}

bool Call::Run(const QString &sql, const QVariantList &values)
{
    QSqlQuery q(m_db);
    return StoreSql::Run(q, sql, values);
}

bool Call::Select(QSqlQuery &q, const QString &sql, const QVariantList &values)
{
    q.setForwardOnly(true);
    return StoreSql::Run(q, sql, values);
}

} // namespace StoreSql

using namespace StoreSql;

StoreDbAccess *StoreDbAccess::Instance()
{
    static StoreDbAccess *instance = new StoreDbAccess;
    return instance;
}

Result StoreDbAccess::ConnectFromSettings(bool *storeNoFallback)
{
    DbManager *manager = DbManager::Instance();
    const bool connected = manager->ConnectDb();
    StoreDbAccess *store = Instance();
    store->SetDbManager(manager);
    store->SetStoreNo(ReadStoreNo(QStringLiteral("InitParam/dBConfig.ini"), storeNoFallback));
    return connected ? Result::Ok() : Result::Fail(manager->connectError());
}

QString StoreDbAccess::ReadStoreNo(const QString &iniPath, bool *fallback)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    const QVariant raw = ini.value(QStringLiteral("StoreNo/No"));
    // QSettings turns an unquoted value with commas into a list.
    QString value =
        raw.type() == QVariant::StringList ? raw.toStringList().join(QLatin1Char(',')) : raw.toString();
    if (fallback)
        *fallback = value.isEmpty();
    if (value.isEmpty()) {
        value = QString::fromLatin1(QSysInfo::machineUniqueId());
        if (value.isEmpty())
            value = QSysInfo::machineHostName();
    }
    qDebug().noquote() << "file:" << value;
    return value;
}

Result StoreDbAccess::DeleteStoreRows(const QString &tableName)
{
    Call call(m_dbManager, m_storeNo, Call::Writes);
    if (!call.Connected())
        return Outcome(false);
    if (!PlainName(tableName))
        return Result::Fail(QStringLiteral("表名无效: %1").arg(tableName));
    return Outcome(call.Run(QStringLiteral("delete from %1 where store_no=?").arg(tableName), {m_storeNo}));
}
