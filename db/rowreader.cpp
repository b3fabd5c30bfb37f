#include "db/rowreader.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>

#include <atomic>
#include <sqlite3.h>

namespace {

// The handle can be used only when the driver runs on the very library this
// program is linked with; a driver with a copy of its own (another version)
// keeps to QSqlQuery.
bool SameLibrary(const QSqlDatabase &db)
{
    static std::atomic<int> known{0}; // 0 unknown, 1 same, -1 not
    int state = known.load();
    if (state == 0) {
        QSqlQuery q(db);
        const bool same = q.exec(QStringLiteral("select sqlite_version()")) && q.next()
            && q.value(0).toString() == QLatin1String(sqlite3_libversion());
        state = same ? 1 : -1;
        known.store(state);
    }
    return state == 1;
}

sqlite3 *NativeHandle(const QSqlDatabase &db)
{
    if (!db.isOpen() || db.driverName() != QLatin1String("QSQLITE"))
        return nullptr;
    const QVariant v = db.driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    sqlite3 *handle = *static_cast<sqlite3 *const *>(v.constData());
    return handle && SameLibrary(db) ? handle : nullptr;
}

// Values bound natively; anything else sends the whole select through QSqlQuery.
bool Bindable(const QVariant &v)
{
    switch (v.type()) {
    case QVariant::String:
    case QVariant::Int:
    case QVariant::UInt:
    case QVariant::LongLong:
    case QVariant::Bool: return true;
    default: return false;
    }
}

bool IsAscii(const unsigned char *p, int n)
{
    unsigned char any = 0;
    for (int i = 0; i < n; ++i)
        any |= p[i];
    return any < 0x80;
}

} // namespace

RowReader::RowReader(const QSqlDatabase &db) : m_db(db), m_query(db) { m_query.setForwardOnly(true); }

RowReader::~RowReader() { Finish(); }

void RowReader::Finish()
{
    if (m_stmt)
        sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
}

bool RowReader::Fail(const QString &text)
{
    m_error = text;
    Finish();
    return false;
}

bool RowReader::Exec(const QString &sql, const QVariantList &values)
{
    Finish();
    m_error.clear();
    sqlite3 *handle = NativeHandle(m_db);
    for (const QVariant &v : values)
        handle = handle && Bindable(v) ? handle : nullptr;

    if (!handle) {
        if (!m_query.prepare(sql))
            return Fail(m_query.lastError().text());
        for (const QVariant &v : values) {
            if (v.type() == QVariant::String && v.isNull())
                m_query.addBindValue(QString(QLatin1String("")));
            else
                m_query.addBindValue(v);
        }
        return m_query.exec() || Fail(m_query.lastError().text());
    }

    if (sqlite3_prepare16_v2(handle, sql.utf16(), (sql.size() + 1) * int(sizeof(QChar)), &m_stmt, nullptr)
        != SQLITE_OK)
        return Fail(QString::fromUtf8(sqlite3_errmsg(handle)));
    for (int i = 0; i < values.size(); ++i) {
        const QVariant &v = values.at(i);
        int rc;
        if (v.type() == QVariant::String) {
            const QString text = v.toString();
            rc = sqlite3_bind_text16(m_stmt, i + 1,
                                     text.isNull() ? static_cast<const void *>(u"") : text.utf16(),
                                     text.size() * int(sizeof(QChar)), SQLITE_TRANSIENT);
        } else {
            rc = sqlite3_bind_int64(m_stmt, i + 1, v.toLongLong());
        }
        if (rc != SQLITE_OK)
            return Fail(QString::fromUtf8(sqlite3_errmsg(handle)));
    }
    m_columns = sqlite3_column_count(m_stmt);
    return true;
}

bool RowReader::Next()
{
    if (!m_stmt) {
        if (m_query.isActive() && m_query.next())
            return true;
        if (m_query.lastError().isValid())
            m_error = m_query.lastError().text();
        return false;
    }
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        return Fail(QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(m_stmt))));
    Finish();
    return false;
}

int RowReader::IndexOf(const QString &name) const
{
    if (!m_stmt)
        return m_query.record().indexOf(name);
    for (int i = 0; i < m_columns; ++i) {
        if (name.compare(QString::fromUtf8(sqlite3_column_name(m_stmt, i)), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// As the Qt driver builds each value from the column's stored type.
QVariant RowReader::Value(int column) const
{
    if (!m_stmt)
        return m_query.value(column);
    if (column < 0 || column >= m_columns)
        return QVariant();
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER: return qlonglong(sqlite3_column_int64(m_stmt, column));
    case SQLITE_FLOAT: return sqlite3_column_double(m_stmt, column);
    case SQLITE_NULL: return QVariant(QVariant::String);
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(m_stmt, column)),
                          sqlite3_column_bytes(m_stmt, column));
    default:
        return QString(static_cast<const QChar *>(sqlite3_column_text16(m_stmt, column)),
                       sqlite3_column_bytes16(m_stmt, column) / int(sizeof(QChar)));
    }
}

QString RowReader::Text(int column) const
{
    if (column < 0)
        return QString();
    if (m_stmt && column < m_columns) {
        // ASCII needs no decoding; anything else is decoded as the driver does.
        // The row's own value, read on this thread only, before the next step.
        sqlite3_value *v = sqlite3_column_value(m_stmt, column);
        if (sqlite3_value_type(v) == SQLITE_TEXT) {
            const unsigned char *p = sqlite3_value_text(v);
            const int n = sqlite3_value_bytes(v);
            if (IsAscii(p, n))
                return QString::fromLatin1(reinterpret_cast<const char *>(p), n);
        }
    }
    return Value(column).toString();
}

int RowReader::Int(int column) const
{
    if (column < 0)
        return 0;
    if (m_stmt && column >= 0 && column < m_columns && sqlite3_column_type(m_stmt, column) == SQLITE_INTEGER)
        return int(sqlite3_column_int64(m_stmt, column));
    return Value(column).toInt();
}
