#pragma once
// What the benchmarks share: a temporary store, generated ledger rows, the
// best of a few timed rounds, and one line per case against its baseline.
#include "../tests/storetestsupport.h"

#include "db/schema.h"
#include "db/transactionguard.h"

#include <QDate>
#include <QElapsedTimer>

#include <cstdio>

namespace Bench {

// Fastest of `rounds` runs, in milliseconds.
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

inline void Case(const QString &what, double program, double baseline, const char *unit = "ms")
{
    std::printf("case: %s | program %.1f %s | baseline %.1f %s | ratio %.2f\n", qPrintable(what), program,
                unit, baseline, unit, baseline > 0 ? program / baseline : 0.0);
    std::fflush(stdout);
}

inline QString Thousands(int count)
{
    if (count % 1000000 == 0)
        return QStringLiteral("%1M").arg(count / 1000000);
    return count % 1000 == 0 ? QStringLiteral("%1k").arg(count / 1000) : QString::number(count);
}

// A year of a shop: about a third purchase-ins over a few hundred articles in
// a handful of warehouses; the rest sales, returns and losses against the same
// articles, with a few orphans that match nothing.
inline GoodsList LedgerRows(int count, quint32 seed)
{
    QRandomGenerator rng(seed);
    GoodsList rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        GoodsRecord r;
        const int pick = rng.bounded(100);
        r.tabType = pick < 34 ? GoodsKind::PurchaseIn
            : pick < 38       ? GoodsKind::PurchaseReturn
            : pick < 86       ? GoodsKind::Sale
            : pick < 94       ? GoodsKind::SaleReturn
                              : GoodsKind::Loss;
        r.serial = QStringLiteral("2024-01-01 00:00:00:%1").arg(i, 7, 10, QLatin1Char('0'));
        r.productClass = QStringLiteral("类别%1").arg(rng.bounded(7));
        r.name = QStringLiteral("商品%1").arg(rng.bounded(97));
        r.model = QStringLiteral("M%1").arg(rng.bounded(r.tabType == GoodsKind::PurchaseIn ? 60 : 62));
        r.color = QStringLiteral("C%1").arg(rng.bounded(2));
        r.store = QStringLiteral("W%1").arg(rng.bounded(3));
        r.time = QStringLiteral("2024-%1-%2")
                     .arg(1 + rng.bounded(12), 2, 10, QLatin1Char('0'))
                     .arg(1 + rng.bounded(28), 2, 10, QLatin1Char('0'));
        const int qty = r.tabType == GoodsKind::PurchaseIn ? 20 + rng.bounded(200) : 1 + rng.bounded(12);
        r.num = QString::number(qty);
        r.price =
            QStringLiteral("%1.%2").arg(5 + rng.bounded(300)).arg(rng.bounded(100), 2, 10, QLatin1Char('0'));
        r.total = QString::number(qty * r.price.toDouble(), 'f', 2);
        const int paidPart = rng.bounded(3); // all, half or nothing paid
        r.pay = paidPart == 0 ? r.total
            : paidPart == 1   ? QString::number(r.total.toDouble() / 2, 'f', 2)
                              : QStringLiteral("0");
        r.debt = QString::number(r.total.toDouble() - r.pay.toDouble(), 'f', 2);
        r.supply = QStringLiteral("Customer%1").arg(rng.bounded(15));
        r.purchase = rng.bounded(50) == 0 ? QString() : QStringLiteral("Seller%1").arg(rng.bounded(4));
        rows.append(r);
    }
    return rows;
}

// Stores the rows straight through SQL in one transaction (saving them one by
// one through the store would time the saving), then lets PostgreSQL gather
// the statistics its autovacuum would.
template <typename Record>
bool Store(const char *table, const QList<Record> &rows)
{
    QSqlDatabase db = DbManager::Instance()->Connection();
    const QStringList names = Schema::Find(QLatin1String(table))->columnNames();
    QSqlQuery q(db);
    TransactionGuard tx(db);
    if (!q.prepare(QStringLiteral("insert into %1(%2) values(?%3)")
                       .arg(QLatin1String(table), names.join(QLatin1Char(',')),
                            QStringLiteral(",?").repeated(names.size() - 1))))
        return false;
    for (const Record &r : rows) {
        q.addBindValue(r.tabType);
        for (int i = 0; i < Record::TextCount; ++i) {
            const QDate date = QDate::fromString(r.text(i), QStringLiteral("yyyy-MM-dd"));
            q.addBindValue(date.isValid() ? QVariant(date) : QVariant(r.text(i)));
        }
        q.addBindValue(StoreDbAccess::Instance()->storeNo());
        if (!q.exec())
            return false;
    }
    return tx.Commit() && (!TempStore::Pg() || q.exec(QStringLiteral("analyze ") + QLatin1String(table)));
}

// Points TempStore at the PostgreSQL server of QUILLON_BENCH_PG (or
// QUILLON_TEST_PG); false, with a note, when none is given.
inline bool UsePostgres()
{
    QByteArray conninfo = qgetenv("QUILLON_BENCH_PG");
    if (conninfo.isEmpty())
        conninfo = qgetenv("QUILLON_TEST_PG");
    if (conninfo.isEmpty()) {
        std::printf("postgres skipped: set QUILLON_BENCH_PG, or run `make bench`\n");
        return false;
    }
    qputenv("QUILLON_TEST_PG", conninfo);
    qputenv("QUILLON_TEST_BACKEND", "pg");
    return true;
}

} // namespace Bench
