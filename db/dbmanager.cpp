#include "db/dbmanager.h"

#include "db/changelog.h"
#include "db/dberror.h"
#include "db/schema.h"
#include "db/sqldialect.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QThreadStorage>
#include <QUrl>

namespace {

const char *const kDefaultServer = "127.0.0.1";
const char *const kDefaultName = "Marrowfield";
const char *const kDefaultUser = "sa";
const char *const kDefaultPassword = "dorivax5813m60427915";
const char *const kDefaultFile = "Marrowfield.db";
const int kBusyTimeoutMs = 10000;

// A connection opened by a thread other than the owner of the default one.
// Held in thread-local storage, so it is closed and removed when the thread ends.
struct ThreadConnection
{
    QString name;
    quint64 generation = 0;
    QHash<QString, QSqlQuery> statements;

    ~ThreadConnection() { Drop(); }

    void Drop()
    {
        statements.clear();
        if (name.isEmpty())
            return;
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
        name.clear();
    }
};

QThreadStorage<ThreadConnection *> &ThreadConnections()
{
    static QThreadStorage<ThreadConnection *> storage;
    return storage;
}

std::atomic<quint64> g_cloneCounter{0};

// ODBC wants values holding ; { } wrapped in braces, with } doubled.
QString OdbcValue(const QString &value)
{
    if (!value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('{'))
        && !value.contains(QLatin1Char('}')))
        return value;
    QString escaped = value;
    escaped.replace(QLatin1String("}"), QLatin1String("}}"));
    return QLatin1Char('{') + escaped + QLatin1Char('}');
}

} // namespace

DbSettings DbSettings::Read(const QString &iniPath)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Database"));
    const auto text = [&](const char *key, const QString &fallback) {
        const QString v = ini.value(QLatin1String(key)).toString().trimmed();
        return v.isEmpty() ? fallback : v;
    };

    DbSettings s;
    s.driver = text("Driver", QStringLiteral("QSQLITE")).toUpper();
    s.file = text("File", QLatin1String(kDefaultFile));
    s.server = text("Server", QLatin1String(kDefaultServer));
    s.name = text("Name", QLatin1String(kDefaultName));
    s.user = text("User", QLatin1String(kDefaultUser));
    s.schema = text("Schema", QString());
    // A password may legitimately start or end with blanks.
    const QString password = ini.value(QStringLiteral("Password")).toString();
    s.password = password.isEmpty() ? QLatin1String(kDefaultPassword) : password;
    bool portOk = false;
    const int port = ini.value(QStringLiteral("Port")).toString().trimmed().toInt(&portOk);
    if (portOk && port > 0 && port < 65536)
        s.port = port;
    else
        s.port = SqlDialect::ForDriver(s.driver).defaultPort;
    return s;
}

DbManager::DbManager() : m_dialect(&SqlDialect::ForDriver(QString())) {}

DbManager *DbManager::Instance()
{
    static DbManager *instance = new DbManager;
    return instance;
}

QString DbManager::OdbcConnectionString(const QString &server, int port, const QString &database,
                                        const QString &user, const QString &password)
{
    // One multi-argument arg() so a "%1" inside a value is not substituted again.
    return QStringLiteral("DRIVER={SQL SERVER};SERVER=%1;PORT=%2;DATABASE=%3;UID=%4;PWD=%5;")
        .arg(OdbcValue(server), QString::number(port), OdbcValue(database), OdbcValue(user),
             OdbcValue(password));
}

bool DbManager::ConnectDb() { return ConnectDb(DbSettings::Read()); }

bool DbManager::ConnectDb(const DbSettings &settings)
{
    Close();
    m_settings = settings;
    m_connectError.clear();
    {
        QMutexLocker lock(&m_stateLock);
        m_damage.clear();
    }
    if (m_settings.driver.isEmpty())
        m_settings.driver = QStringLiteral("QSQLITE");
    m_dialect = &SqlDialect::ForDriver(m_settings.driver);

    if (!QSqlDatabase::isDriverAvailable(m_settings.driver)) {
        m_connectError = QStringLiteral("数据库驱动不可用: %1").arg(m_settings.driver);
        return false;
    }

    const bool opened = m_dialect->fileDatabase ? OpenSqlite() : OpenServer();
    if (!opened) {
        m_db.close();
        return false;
    }

    m_ownerThread = QThread::currentThread();
    ++m_generation;
    m_connected = true;
    qDebug().noquote() << "connect db ok1";
    if (m_dialect->fileDatabase)
        CheckFile();
    // A damaged or read-only file takes no new tables; reading what is there goes on.
    if (WriteRefusal().isEmpty())
        CreateAllTables();
    return true;
}

bool DbManager::OpenSqlite()
{
    const QString path = QDir::current().absoluteFilePath(
        m_settings.file.isEmpty() ? QLatin1String(kDefaultFile) : m_settings.file);
    m_file = path;
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        m_connectError = QStringLiteral("数据库文件不是普通文件: %1").arg(path);
        return false;
    }
    const bool readOnly = !readOnlyReason().isEmpty();

    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs);
    if (readOnly) {
        // An unwritable folder cannot take SQLite's lock and log files; the
        // file is read as it stands, which is all a read-only start needs.
        options += QStringLiteral(";QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI");
        m_db.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)
                             + QStringLiteral("?immutable=1"));
    } else {
        m_db.setDatabaseName(path);
    }
    m_db.setConnectOptions(options);
    if (!m_db.open()) {
        m_connectError =
            QStringLiteral("无法打开数据库文件 %1: %2").arg(path, DbError::Reason(m_db.lastError()));
        return false;
    }

    // SQLite opens any file lazily; a real read tells a database from other
    // content before anything could be written into it.
    {
        QSqlQuery probe(m_db);
        if (!probe.exec(QStringLiteral("select count(*) from sqlite_master")) || !probe.next()) {
            const QSqlError error = probe.lastError();
            const DbError::Kind kind = DbError::KindOf(error);
            const QString reason = DbError::Describe(kind, DbError::DriverText(error), kBusyTimeoutMs);
            m_connectError = kind == DbError::Kind::Damaged
                ? QStringLiteral("不是有效的数据库文件 %1: %2").arg(path, reason)
                : QStringLiteral("无法读取数据库文件 %1: %2").arg(path, reason);
            return false;
        }
    }
    if (!readOnly) {
        QSqlQuery wal(m_db);
        wal.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    }
    ConfigureConnection(m_db);
    return true;
}

int DbManager::BusyTimeoutMs() const { return kBusyTimeoutMs; }

bool DbManager::OpenServer()
{
    m_db = QSqlDatabase::addDatabase(m_settings.driver);
    if (m_dialect->connectionString) {
        // The driver takes the whole connection string as the database name.
        m_db.setDatabaseName(OdbcConnectionString(m_settings.server, m_settings.port, m_settings.name,
                                                  m_settings.user, m_settings.password));
    } else {
        if (m_dialect->connectOptions) {
            QString searchPath;
            if (!m_settings.schema.isEmpty() && m_dialect->searchPathOption) {
                if (!PlainIdentifier(m_settings.schema)) {
                    m_connectError = QStringLiteral("数据库模式名称无效: %1").arg(m_settings.schema);
                    return false;
                }
                searchPath = QString(QLatin1String(m_dialect->searchPathOption)).arg(m_settings.schema);
            }
            m_db.setConnectOptions(QString(QLatin1String(m_dialect->connectOptions)).arg(searchPath));
        }
        m_db.setHostName(m_settings.server);
        m_db.setPort(m_settings.port);
        m_db.setDatabaseName(m_settings.name);
        m_db.setUserName(m_settings.user);
        m_db.setPassword(m_settings.password);
    }
    if (!m_db.open()) {
        m_connectError = QStringLiteral("无法连接数据库: %1").arg(m_db.lastError().text());
        return false;
    }
    return true;
}

bool DbManager::PlainIdentifier(const QString &name)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]{0,62}$"));
    return re.match(name).hasMatch();
}

void DbManager::ConfigureConnection(QSqlDatabase &db)
{
    const SqlDialect &dialect = SqlDialect::Of(db);
    if (!dialect.connectionSetup)
        return;
    QSqlQuery q(db);
    q.exec(QLatin1String(dialect.connectionSetup));
}

void DbManager::Close()
{
    m_fileChecked = false;
    // The file alone then holds every row: a copy of it is a whole database.
    // Quitting does not wait for another program's write: the log then stays
    // beside the file, complete, and the next start or checkpoint takes it in.
    if (m_connected && damage().isEmpty() && QThread::currentThread() == m_ownerThread) {
        if (m_dialect->fileDatabase)
            QSqlQuery(m_db).exec(QStringLiteral("PRAGMA busy_timeout=200"));
        (void)Checkpoint();
    }
    m_connected = false;
    ++m_generation;
    m_ownerThread = nullptr;
    m_statements.clear();
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    }
}

bool DbManager::IsOpen() const { return m_connected && m_db.isOpen(); }

QSqlDatabase DbManager::Connection() const
{
    QThreadStorage<ThreadConnection *> &storage = ThreadConnections();
    const bool owner = QThread::currentThread() == m_ownerThread;

    if (!m_connected || owner) {
        // A clone of an earlier connection has no use any more.
        if (storage.hasLocalData())
            storage.localData()->Drop();
        return m_connected ? m_db : QSqlDatabase();
    }

    if (!storage.hasLocalData())
        storage.setLocalData(new ThreadConnection);
    ThreadConnection *tc = storage.localData();
    const quint64 generation = m_generation;
    if (tc->name.isEmpty() || tc->generation != generation) {
        tc->Drop();
        tc->name = QStringLiteral("quillon_thread_%1").arg(++g_cloneCounter);
        tc->generation = generation;
        QSqlDatabase clone =
            QSqlDatabase::cloneDatabase(QLatin1String(QSqlDatabase::defaultConnection), tc->name);
        if (clone.open())
            ConfigureConnection(clone);
    }
    return QSqlDatabase::database(tc->name, false);
}

QSqlQuery *DbManager::Statement(const QString &sql, QString &error) const
{
    const QSqlDatabase db = Connection();
    if (!db.isOpen()) {
        error = QStringLiteral("数据库未连接");
        return nullptr;
    }
    // Connection() has just dropped a clone of an older connection, and its
    // statements with it.
    QHash<QString, QSqlQuery> &statements = QThread::currentThread() == m_ownerThread
        ? m_statements
        : ThreadConnections().localData()->statements;
    auto found = statements.find(sql);
    if (found != statements.end())
        return &found.value();
    QSqlQuery q(db);
    if (!q.prepare(sql)) {
        error = q.lastError().text();
        return nullptr;
    }
    return &statements.insert(sql, q).value();
}

QStringList DbManager::UserTables() const
{
    QSqlDatabase db = Connection();
    QStringList tables;
    if (!db.isOpen())
        return tables;
    if (m_dialect->schemaTables) {
        // The driver's own list spans every schema; installations that keep
        // their tables in other schemas of the same database are not ours.
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (q.exec(QStringLiteral(
                "select c.relname from pg_catalog.pg_class c "
                "join pg_catalog.pg_namespace n on n.oid = c.relnamespace "
                "where n.nspname = current_schema() and c.relkind in ('r', 'p') order by c.oid"))) {
            while (q.next())
                tables << q.value(0).toString();
        }
        return tables;
    }
    const QStringList all = db.tables(QSql::Tables);
    for (const QString &t : all) {
        if (m_dialect->internalTablePrefix && t.startsWith(QLatin1String(m_dialect->internalTablePrefix)))
            continue;
        tables << t;
    }
    return tables;
}

QString DbManager::CreateTableStatement(const QString &tableName, const QStringList &names,
                                        const QStringList &types, bool databaseEmpty)
{
    QString sql = databaseEmpty
        ? QStringLiteral("create table [%1] ([id] int identity(1,1),constraint pkid primary key (id),")
              .arg(tableName)
        : QStringLiteral("create table [%1] ([id] int identity(1,1),constraint pk_%2 primary key(id),")
              .arg(tableName, tableName);
    const int n = qMin(names.size(), types.size());
    for (int i = 0; i < n; ++i) {
        sql += QStringLiteral("[%1] %2").arg(names.at(i), types.at(i));
        if (i + 1 < n)
            sql += QLatin1Char(',');
    }
    sql += QLatin1Char(')');
    return sql;
}

void DbManager::CreateAllTables()
{
    // A table that exists is left as it is; any other refusal is logged, and
    // the first statement on that table then says why it failed.
    const QStringList existing = UserTables();
    for (const Schema::Table &table : Schema::Tables()) {
        if (existing.contains(table.name))
            continue;
        const Result made = CreateTable(table.name, table.columnNames(), table.columnTypes());
        if (!made)
            qDebug().noquote() << made.error();
    }
    CreateLookupIndexes();
    // Not one of the five tables; should it be missing, each logged change
    // is refused with the reason rather than stored without its record.
    const Result log = ChangeLog::CreateTable(Connection());
    if (!log)
        qDebug().noquote() << log.error();
}

void DbManager::CreateLookupIndexes()
{
    // Every cell edit looks its row up by kind, serial and store; without an
    // index each save reads the whole ledger, and saves slow down as the shop's
    // history grows. The indexes change no statement and no result; existing
    // databases get them at the next start as well.
    if (!m_dialect->indexIfNotExists)
        return;
    static const char *const statements[] = {
        "create index if not exists ix_product_key on tb_sm_product_info(tab_type, product_serial, store_no)",
        "create index if not exists ix_product_time on tb_sm_product_info(store_no, product_time)",
        "create index if not exists ix_finance_key on tb_sm_finance_info(tab_type, ie_serial, store_no)",
        "create index if not exists ix_finance_time on tb_sm_finance_info(store_no, ie_time)",
        // Reads return rows in entry order (by id); these hand them over in that
        // order, so a page or a year is read without sorting the whole table.
        "create index if not exists ix_product_order on tb_sm_product_info(store_no, tab_type, id)",
        "create index if not exists ix_product_store on tb_sm_product_info(store_no, id)",
        "create index if not exists ix_finance_order on tb_sm_finance_info(store_no, tab_type, id)",
        "create index if not exists ix_finance_store on tb_sm_finance_info(store_no, id)",
    };
    QSqlQuery query(Connection());
    for (const char *statement : statements)
        query.exec(QLatin1String(statement));
}

Result DbManager::CreateTable(const QString &tableName, QStringList names, QStringList types)
{
    if (names.size() != types.size())
        return Result::Fail(QStringLiteral("DbManager:CreateTabl - %1 count  %2 %3 is not equal")
                                .arg(tableName)
                                .arg(names.size())
                                .arg(types.size()));

    const QStringList tables = UserTables();
    const bool empty = tables.isEmpty();
    if (!empty && tables.contains(tableName, Qt::CaseSensitive))
        return Result::Fail(
            QStringLiteral("CteateTable (%1) Failed2!\nReason: Table is exist!").arg(tableName));

    QSqlQuery query(Connection());
    query.exec(m_dialect->Translate(CreateTableStatement(tableName, names, types, empty)));
    if (query.isActive())
        return Result::Ok();
    return Result::Fail(empty ? QStringLiteral("CteateTable ( %1) Failed3!\nReason: %2")
                                    .arg(tableName, query.lastError().text())
                              : QStringLiteral("CteateTable (%1) Failed1!\n Reason: %2")
                                    .arg(tableName, query.lastError().text()));
}

Result DbManager::TruncateTable(const QString &tableName)
{
    QSqlQuery query(Connection());
    query.exec(m_dialect->Translate(QStringLiteral("truncate table %1").arg(tableName)));
    if (query.isActive())
        return Result::Ok();
    return Result::Fail(
        QStringLiteral("删除表 ( %1) 失败!\n原因: %2").arg(tableName, query.lastError().text()));
}

Result DbManager::DropAllTables()
{
    QStringList tables = UserTables();
    while (!tables.isEmpty()) {
        const QString table = tables.takeFirst();
        QSqlQuery query(Connection());
        query.exec(QStringLiteral("drop table %1").arg(table));
        if (!query.isActive())
            return Result::Fail(
                QStringLiteral("清空表 ( %1) 失败!\n原因: %2").arg(table, query.lastError().text()));
    }
    return Result::Ok();
}
