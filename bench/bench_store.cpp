// Saves goods rows one at a time, as cell edits do, then reads them back by
// month, by year and for all time. Prints rows per second for each step:
// against a SQLite file, and against PostgreSQL when QUILLON_BENCH_PG (or
// QUILLON_TEST_PG) holds a libpq connection text such as
// "host=127.0.0.1 port=5433 user=u password=p dbname=d" (scripts/pg-bench.sh
// starts a loopback server and sets it).
#include "db/dbmanager.h"
#include "db/records.h"
#include "db/storedbaccess.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void Report(const char *backend, const char *what, int rows, qint64 ns)
{
    const double seconds = ns / 1e9;
    std::printf("%-10s %-32s %7d rows  %9.3f s  %12.0f rows/s\n", backend, what, rows, seconds,
                seconds > 0 ? rows / seconds : 0.0);
}

bool Run(const char *backend, const DbSettings &settings, int total)
{
    DbManager *manager = DbManager::Instance();
    if (!manager->ConnectDb(settings)) {
        std::fprintf(stderr, "%s: cannot open database: %s\n", backend, qPrintable(manager->connectError()));
        return false;
    }
    StoreDbAccess *store = StoreDbAccess::Instance();
    store->SetDbManager(manager);
    store->SetStoreNo(QStringLiteral("1"));

    // Spread over 2024 so month and year reads select part and all of the rows.
    const QDate first(2024, 1, 1);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < total; ++i) {
        GoodsRecord r;
        r.tabType = i % 5;
        r.serial = QStringLiteral("2024-01-01 00:00:00:%1").arg(i, 6, 10, QLatin1Char('0'));
        r.productClass = QStringLiteral("类别");
        r.name = QStringLiteral("商品%1").arg(i % 97);
        r.model = QStringLiteral("M%1").arg(i % 13);
        r.time = first.addDays(i % 366).toString(QStringLiteral("yyyy-MM-dd"));
        r.num = QString::number(i % 50 + 1);
        r.price = QStringLiteral("12.5");
        r.total = QStringLiteral("125");
        if (!store->SaveGoodsRow(r)) {
            std::fprintf(stderr, "%s: save %d failed: %s\n", backend, i, qPrintable(store->lastError()));
            manager->Close();
            return false;
        }
    }
    Report(backend, "SaveGoodsRow, one by one", total, timer.nsecsElapsed());

    const struct { const char *what; int mode; } reads[] = {
        {"QueryGoods by month (June)", 2}, {"QueryGoods by year (2024)", 3}, {"QueryGoods, all time", 5}};
    for (const auto &read : reads) {
        GoodsList out;
        timer.restart();
        if (!store->QueryGoods(read.mode, -1, QString(), QStringLiteral("2024-06-15"), out)) {
            std::fprintf(stderr, "%s: %s failed\n", backend, read.what);
            manager->Close();
            return false;
        }
        Report(backend, read.what, out.size(), timer.nsecsElapsed());
    }
    manager->Close();
    return true;
}

DbSettings PgSettings(const QString &conninfo)
{
    DbSettings s;
    s.driver = QStringLiteral("QPSQL");
    s.server = QStringLiteral("127.0.0.1");
    s.port = 5432;
    for (const QString &pair : conninfo.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString key = pair.section(QLatin1Char('='), 0, 0);
        const QString value = pair.section(QLatin1Char('='), 1);
        if (key == QLatin1String("host")) s.server = value;
        else if (key == QLatin1String("port")) s.port = value.toInt();
        else if (key == QLatin1String("user")) s.user = value;
        else if (key == QLatin1String("password")) s.password = value;
        else if (key == QLatin1String("dbname")) s.name = value;
    }
    return s;
}

// Runs on a schema of its own, dropped afterwards, so earlier runs do not count.
bool RunPostgres(const QString &conninfo, int total)
{
    DbSettings s = PgSettings(conninfo);
    s.schema = QStringLiteral("bench_%1").arg(QCoreApplication::applicationPid());
    const QString admin = QStringLiteral("bench_admin");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), admin);
        db.setConnectOptions(QStringLiteral("options='-c client_min_messages=warning'"));
        db.setHostName(s.server);
        db.setPort(s.port);
        db.setDatabaseName(s.name);
        db.setUserName(s.user);
        db.setPassword(s.password);
        QSqlQuery q(db);
        if (!db.open() || !q.exec(QStringLiteral("create schema %1").arg(s.schema))) {
            std::fprintf(stderr, "postgres: %s\n",
                         qPrintable(db.isOpen() ? q.lastError().text() : db.lastError().text()));
        } else {
            ok = Run("postgres", s, total);
            q.exec(QStringLiteral("drop schema %1 cascade").arg(s.schema));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(admin);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int total = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;

    QTemporaryDir dir;
    DbSettings sqlite;
    sqlite.driver = QStringLiteral("QSQLITE");
    sqlite.file = dir.filePath(QStringLiteral("Marrowfield.db"));
    bool ok = Run("sqlite", sqlite, total);

    QString conninfo = qEnvironmentVariable("QUILLON_BENCH_PG");
    if (conninfo.isEmpty())
        conninfo = qEnvironmentVariable("QUILLON_TEST_PG");
    if (conninfo.isEmpty())
        std::printf("postgres   (skipped: set QUILLON_BENCH_PG, or run `make bench`)\n");
    else
        ok = RunPostgres(conninfo, total) && ok;
    return ok ? 0 : 1;
}
