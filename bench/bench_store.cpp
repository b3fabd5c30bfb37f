// Saves goods rows one at a time, as cell edits do, then reads them back by
// month, by year and for all time. Prints rows per second for each step.
// Then, on 200,000 rows, against a raw statement in the same run: reading the
// ledger (against a plain scan of the table) and one cell edit of a
// 50,000-row page saved with its totals (against a raw update of one row).
// Against a SQLite file, and against PostgreSQL when QUILLON_BENCH_PG (or
// QUILLON_TEST_PG) holds a libpq connection text such as
// "host=127.0.0.1 port=5433 user=u password=p dbname=d" (scripts/pg-bench.sh
// starts a loopback server and sets it).
#include "db/dbmanager.h"
#include "db/records.h"
#include "db/storedbaccess.h"
#include "db/transactionguard.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgerpages.h"

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void Report(const char *backend, const char *what, int rows, qint64 ns)
{
    const double seconds = ns / 1e9;
    std::printf("%-10s %-32s %7d rows  %9.3f s  %12.0f rows/s\n", backend, what, rows, seconds,
                seconds > 0 ? rows / seconds : 0.0);
}

void Line(const char *backend, const QString &what, double program, double baseline)
{
    std::printf("case: %s, %s | program %.2f ms | baseline %.2f ms | ratio %.2f\n", backend,
                qPrintable(what), program, baseline, baseline > 0 ? program / baseline : 0.0);
    std::fflush(stdout);
}

template <typename F>
double BestMs(F &&run, int rounds = 3)
{
    double best = 1e300;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        run();
        best = qMin(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

// Adds rows up to `count` in one transaction: four kinds, a year of dates.
bool Grow(QSqlDatabase db, int from, int count)
{
    TransactionGuard tx(db);
    QSqlQuery q(db);
    q.prepare(QStringLiteral(
        "insert into tb_sm_product_info(tab_type, product_serial, product_class, product_name, "
        "product_model, product_time, product_num, product_price, product_total, product_pay, "
        "product_debt, store_no) values(?,?,?,?,?,?,?,?,?,?,?,'1')"));
    const QDate first(2024, 1, 1);
    for (int i = from; i < count; ++i) {
        q.addBindValue(i % 4);
        q.addBindValue(QStringLiteral("2024-02-01 00:00:00:%1").arg(i, 7, 10, QLatin1Char('0')));
        q.addBindValue(QStringLiteral("类别"));
        q.addBindValue(QStringLiteral("商品%1").arg(i % 97));
        q.addBindValue(QStringLiteral("M%1").arg(i % 13));
        q.addBindValue(first.addDays(i % 366));
        q.addBindValue(QString::number(i % 50 + 1));
        q.addBindValue(QStringLiteral("12.5"));
        q.addBindValue(QString::number((i % 50 + 1) * 12.5));
        q.addBindValue(QStringLiteral("0"));
        q.addBindValue(QString::number((i % 50 + 1) * 12.5));
        if (!q.exec())
            return false;
    }
    return tx.Commit();
}

// The ledger read against a plain scan of every row and column.
void Reads(const char *backend, QSqlDatabase db, int rows)
{
    StoreDbAccess *store = StoreDbAccess::Instance();
    int read = 0;
    const double program = BestMs([&] {
        GoodsList out;
        store->QueryGoods(5, -1, QString(), QString(), out);
        read = out.size();
    });
    int scanned = 0;
    const double baseline = BestMs([&] {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.exec(QStringLiteral("select * from tb_sm_product_info"));
        const int columns = q.record().count();
        scanned = 0;
        while (q.next()) {
            for (int c = 0; c < columns; ++c)
                q.value(c).toString();
            ++scanned;
        }
    });
    Line(backend, QStringLiteral("read %1 ledger rows (%2 read, %3 scanned)").arg(rows).arg(read).arg(scanned),
         program, baseline);
    const double kindMs = BestMs([&] {
        GoodsList out;
        store->QueryGoods(5, GoodsKind::Sale, QString(), QString(), out);
    });
    Line(backend, QStringLiteral("read one kind of %1 rows").arg(rows), kindMs, baseline);
    QSqlQuery plan(db);
    const bool sqlite = db.driverName() == QLatin1String("QSQLITE");
    const QString prefix = sqlite ? QStringLiteral("explain query plan ") : QStringLiteral("explain ");
    for (const char *where : {"store_no='1'", "store_no='1' and tab_type=2",
                              "store_no='1' and product_time between '2024-06-01' and '2024-06-30' and tab_type=2"}) {
        plan.exec(prefix + QStringLiteral("select * from tb_sm_product_info where %1 order by id")
                               .arg(QLatin1String(where)));
        QStringList steps;
        while (plan.next())
            steps << plan.value(sqlite ? 3 : 0).toString().trimmed();
        std::printf("plan: %s, where %s order by id: %s\n", backend, where, qPrintable(steps.join(QStringLiteral("; "))));
    }
}

// One cell edit of a shown page, saved with its totals, against a raw update.
void Edits(const char *backend, QSqlDatabase db)
{
    const LedgerKinds::PageKind *page = LedgerKinds::Find(LedgerKinds::Group::Goods, GoodsKind::PurchaseIn);
    QWidget window;
    auto *table = new QTableWidget(0, page->ColumnCount(), &window);
    table->setObjectName(page->tableName);
    QLineEdit *totals[3];
    const QString names[3] = {page->totalEdit, page->paidEdit, page->debtEdit};
    for (int i = 0; i < 3; ++i) {
        totals[i] = new QLineEdit(&window);
        totals[i]->setObjectName(names[i]);
    }
    LedgerPages pages(&window);
    QObject::connect(table, &QTableWidget::cellChanged, &pages,
                     [&](int r, int c) { pages.TabCellChanged(table, r, c); });
    GoodsList rows;
    StoreDbAccess::Instance()->QueryGoods(5, GoodsKind::PurchaseIn, QString(), QString(), rows);
    pages.ShowGoodsRows(table, rows);
    pages.FinishFill(table);
    pages.ComputePageTotals(page->totalButton);

    QRandomGenerator rng(7);
    const int edits = 200;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < edits; ++i)
        table->item(int(rng.bounded(quint32(rows.size()))), 9)->setText(QString::number(i % 40 + 1));
    const double program = timer.nsecsElapsed() / 1e6 / edits;
    const QString shown = totals[0]->text() + QLatin1Char('/') + totals[2]->text();
    pages.ComputePageTotals(page->totalButton);
    const bool same = shown == totals[0]->text() + QLatin1Char('/') + totals[2]->text();

    QSqlQuery update(db);
    update.prepare(QStringLiteral("update tb_sm_product_info set product_num=? where id=?"));
    timer.restart();
    for (int i = 0; i < edits; ++i) {
        update.addBindValue(QString::number(i % 40 + 1));
        update.addBindValue(int(rng.bounded(quint32(rows.size()))) + 1);
        update.exec();
    }
    const double baseline = timer.nsecsElapsed() / 1e6 / edits;
    Line(backend, QStringLiteral("one cell edit saved + totals, %1-row page (totals %2 a full recount)")
                      .arg(rows.size()).arg(same ? QStringLiteral("equal") : QStringLiteral("DIFFER from")),
         program, baseline);
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

    const int big = qMax(total, 200000);
    if (!Grow(manager->Connection(), total, big)) {
        std::fprintf(stderr, "%s: cannot add rows\n", backend);
        manager->Close();
        return false;
    }
    Reads(backend, manager->Connection(), big);
    Edits(backend, manager->Connection());
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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Each save is durable: a few thousand tell the rate without waiting minutes.
    const int total = argc > 1 ? QByteArray(argv[1]).toInt() : 2000;

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
