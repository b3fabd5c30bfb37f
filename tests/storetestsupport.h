#pragma once

#include "db/dbmanager.h"
#include "db/records.h"
#include "db/storedbaccess.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <algorithm>

// The database tests run twice: against a SQLite file, and (registered as
// <name>_pg, with QUILLON_TEST_BACKEND=pg) against the PostgreSQL server whose
// libpq connection text scripts/run-tests.sh puts into QUILLON_TEST_PG. Each
// case then works in a schema of its own, dropped when the case ends.
namespace TestDb {

inline bool Postgres() { return qgetenv("QUILLON_TEST_BACKEND") == "pg"; }

// "host=127.0.0.1 port=5433 user=u password=p dbname=d" (values without blanks).
inline DbSettings PgSettings()
{
    DbSettings s;
    s.driver = QStringLiteral("QPSQL");
    s.server = QStringLiteral("127.0.0.1");
    s.port = 5432;
    for (const QString &pair :
         QString::fromLocal8Bit(qgetenv("QUILLON_TEST_PG")).split(' ', Qt::SkipEmptyParts)) {
        const QString key = pair.section('=', 0, 0), value = pair.section('=', 1);
        if (key == QLatin1String("host"))
            s.server = value;
        else if (key == QLatin1String("port"))
            s.port = value.toInt();
        else if (key == QLatin1String("user"))
            s.user = value;
        else if (key == QLatin1String("password"))
            s.password = value;
        else if (key == QLatin1String("dbname"))
            s.name = value;
    }
    return s;
}

// A connection of the test's own, beside the program's, to the test database.
inline QSqlDatabase PgAdmin()
{
    const QString name = QStringLiteral("quillon_test_admin");
    if (QSqlDatabase::contains(name) && QSqlDatabase::database(name, false).isOpen())
        return QSqlDatabase::database(name, false);
    QSqlDatabase::removeDatabase(name);
    const DbSettings s = PgSettings();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setConnectOptions(
        QStringLiteral("options='-c client_min_messages=warning'")); // no notices from drop cascade
    db.setHostName(s.server);
    db.setPort(s.port);
    db.setDatabaseName(s.name);
    db.setUserName(s.user);
    db.setPassword(s.password);
    db.open();
    return db;
}

// Why the PostgreSQL cases cannot run; empty when they can.
inline QString PgUnavailable()
{
    if (!qEnvironmentVariableIsEmpty("QUILLON_TEST_PG_SKIP"))
        return QStringLiteral("PostgreSQL server not available: ")
            + qEnvironmentVariable("QUILLON_TEST_PG_SKIP");
    if (qEnvironmentVariableIsEmpty("QUILLON_TEST_PG"))
        return QStringLiteral("PostgreSQL server not available: QUILLON_TEST_PG is not set "
                              "(scripts/run-tests.sh starts a server and sets it)");
    const QSqlDatabase db = PgAdmin();
    return db.isOpen() ? QString()
                       : QStringLiteral("PostgreSQL server not reachable: ") + db.lastError().text();
}

} // namespace TestDb

// A fresh database opened through the process-wide objects, with the given
// store number: a SQLite file in its own folder, or a PostgreSQL schema of its
// own. Closed (and the schema dropped) when it goes away.
class TempStore
{
public:
    explicit TempStore(const QString &storeNo = QStringLiteral("1"), bool connect = true)
    {
        if (Pg()) {
            skipReason = TestDb::PgUnavailable();
            if (!skipReason.isEmpty())
                return;
            settings = TestDb::PgSettings();
            settings.schema = QStringLiteral("t_%1_%2")
                                  .arg(QCoreApplication::applicationPid())
                                  .arg(QRandomGenerator::global()->generate64(), 0, 16);
            QSqlQuery q(TestDb::PgAdmin());
            if (!q.exec(QStringLiteral("create schema %1").arg(settings.schema))) {
                skipReason = QStringLiteral("cannot create a schema: ") + q.lastError().text();
                return;
            }
            m_schemaMade = true;
        } else {
            settings.driver = QStringLiteral("QSQLITE");
            settings.file = dir.filePath(QStringLiteral("Marrowfield.db"));
        }
        store()->SetDbManager(DbManager::Instance());
        store()->SetStoreNo(storeNo);
        if (connect)
            connected = (Pg() || dir.isValid()) && manager()->ConnectDb(settings);
    }
    ~TempStore()
    {
        manager()->Close();
        if (m_schemaMade)
            QSqlQuery(TestDb::PgAdmin()).exec(QStringLiteral("drop schema %1 cascade").arg(settings.schema));
    }

    static bool Pg() { return TestDb::Postgres(); }
    static StoreDbAccess *store() { return StoreDbAccess::Instance(); }
    static DbManager *manager() { return DbManager::Instance(); }

    // One value of a query, for checks against the raw table.
    static QVariant Scalar(const QString &sql)
    {
        QSqlQuery q(DbManager::Instance()->Connection());
        return q.exec(sql) && q.next() ? q.value(0) : QVariant();
    }
    static int Count(const QString &table, const QString &where = QString())
    {
        return Scalar("select count(*) from " + table + (where.isEmpty() ? QString() : " where " + where))
            .toInt();
    }
    static bool Exec(const QString &sql) { return QSqlQuery(DbManager::Instance()->Connection()).exec(sql); }

    // Makes inserts (or the event given) into the table fail with the message
    // "refused" when the condition (on new.<column>) holds.
    static bool RefuseInserts(const QString &table, const QString &condition = QStringLiteral("true"),
                              const QString &event = QStringLiteral("insert"))
    {
        if (Pg())
            return Exec(QStringLiteral(
                            "create function refuse_%1() returns trigger language plpgsql as "
                            "$$ begin if %2 then raise exception 'refused'; end if; return new; end $$")
                            .arg(table, condition))
                && Exec(QStringLiteral("create trigger refuse before %2 on %1 for each row "
                                       "execute function refuse_%1()")
                            .arg(table, event));
        return Exec(QStringLiteral("create trigger refuse before %3 on %1 when %2 "
                                   "begin select raise(abort,'refused'); end")
                        .arg(table, condition, event));
    }

    // Writes folder/InitParam/dBConfig.ini naming this database and the store number.
    bool WriteSettings(const QString &folder, const QString &storeNo) const
    {
        if (!QDir(folder).mkpath(QStringLiteral("InitParam")))
            return false;
        QFile ini(folder + QStringLiteral("/InitParam/dBConfig.ini"));
        QString text =
            QStringLiteral("[StoreNo]\nNo=%1\n[Database]\nDriver=%2\n").arg(storeNo, settings.driver);
        if (Pg())
            text += QStringLiteral("Server=%1\nPort=%2\nName=%3\nUser=%4\nPassword=%5\nSchema=%6\n")
                        .arg(settings.server)
                        .arg(settings.port)
                        .arg(settings.name, settings.user, settings.password, settings.schema);
        else
            text += QStringLiteral("File=%1\n").arg(settings.file);
        return ini.open(QIODevice::WriteOnly) && ini.write(text.toUtf8()) == text.toUtf8().size();
    }

    QTemporaryDir dir;
    DbSettings settings;
    bool connected = false;
    QString skipReason; // PostgreSQL wanted but not there

private:
    bool m_schemaMade = false;
};

// Skips the case when its database is not available, and fails it when the
// database is there but would not open.
#define REQUIRE_DB(db)                                                                                       \
    do {                                                                                                     \
        if (!(db).skipReason.isEmpty())                                                                      \
            QSKIP(qPrintable((db).skipReason));                                                              \
        QVERIFY2((db).connected, qPrintable((db).manager()->connectError()));                                \
    } while (false)

inline GoodsRecord MakeGoods(int tabType, const QString &serial, const QString &time,
                             const QString &model = QStringLiteral("M1"))
{
    GoodsRecord r;
    r.tabType = tabType;
    for (int i = 0; i < GoodsRecord::TextCount; ++i)
        r.setText(i, QStringLiteral("v%1").arg(i));
    r.serial = serial;
    r.time = time;
    r.model = model;
    return r;
}

inline FinanceRecord MakeFinance(int tabType, const QString &serial, const QString &time)
{
    FinanceRecord r;
    r.tabType = tabType;
    r.serial = serial;
    r.item = QStringLiteral("item ") + serial;
    r.sum = QStringLiteral("12.50");
    r.time = time;
    return r;
}

// Serial numbers of rows, in list order.
template <typename List>
QStringList SerialsOf(const List &rows)
{
    QStringList s;
    for (const auto &r : rows)
        s << r.serial;
    return s;
}

// Whether the account has this password; false when the store cannot say.
inline bool PasswordMatches(StoreDbAccess *store, const QString &account, const QString &password)
{
    bool matches = false;
    return store->CheckUserPassword(account, password, &matches) && matches;
}

// Reads the account as a login does; false when there is none or the store cannot say.
inline bool UserFound(StoreDbAccess *store, UserRecord &user)
{
    bool found = false;
    return store->ReadUser(user, &found) && found;
}

// Every stored row of a kind (-1: all kinds) of the current store, by serial.
template <typename List>
List StoredRowsOf(Result (StoreDbAccess::*query)(int, int, const QString &, const QString &, List &),
                  int tabType)
{
    List rows;
    const Result read = (StoreDbAccess::Instance()->*query)(5, tabType, QString(), QString(), rows);
    if (!read)
        qWarning().noquote() << "stored rows not read:" << read.error();
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto &a, const auto &b) { return a.serial < b.serial; });
    return rows;
}
inline GoodsList StoredGoodsOf(int tabType = -1) { return StoredRowsOf(&StoreDbAccess::QueryGoods, tabType); }
inline FinanceList StoredFinanceOf(int tabType = -1)
{
    return StoredRowsOf(&StoreDbAccess::QueryFinance, tabType);
}
