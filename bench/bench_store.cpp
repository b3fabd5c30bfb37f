// Saves goods rows one at a time, as cell edits do, then reads them back by
// month, by year and for all time. Prints rows per second for each step.
#include "db/dbmanager.h"
#include "db/records.h"
#include "db/storedbaccess.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void Report(const char *what, int rows, qint64 ns)
{
    const double seconds = ns / 1e9;
    std::printf("%-32s %7d rows  %9.3f s  %12.0f rows/s\n", what, rows, seconds,
                seconds > 0 ? rows / seconds : 0.0);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int total = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;

    QTemporaryDir dir;
    DbSettings settings;
    settings.driver = QStringLiteral("QSQLITE");
    settings.file = dir.filePath(QStringLiteral("Marrowfield.db"));
    DbManager *manager = DbManager::Instance();
    if (!manager->ConnectDb(settings)) {
        std::fprintf(stderr, "cannot open database: %s\n", qPrintable(manager->connectError()));
        return 1;
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
            std::fprintf(stderr, "save %d failed\n", i);
            return 1;
        }
    }
    Report("SaveGoodsRow, one by one", total, timer.nsecsElapsed());

    const struct { const char *what; int mode; } reads[] = {
        {"QueryGoods by month (June)", 2}, {"QueryGoods by year (2024)", 3}, {"QueryGoods, all time", 5}};
    for (const auto &read : reads) {
        GoodsList out;
        timer.restart();
        if (!store->QueryGoods(read.mode, -1, QString(), QStringLiteral("2024-06-15"), out)) {
            std::fprintf(stderr, "%s failed\n", read.what);
            return 1;
        }
        Report(read.what, out.size(), timer.nsecsElapsed());
    }
    manager->Close();
    return 0;
}
