// Times the stock computation and the sales-return deduction over generated
// ledgers of realistic shape. Prints one line per size.
#include "analytics/salesstatistics.h"
#include "analytics/stockcompute.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QString>

#include <cstdio>

namespace {

// About a third purchase-ins over a few hundred articles in a handful of
// warehouses; the rest sales, returns and losses against the same articles,
// with a few orphans that match nothing.
GoodsList GoodsLedger(int count, quint32 seed)
{
    QRandomGenerator rng(seed);
    GoodsList rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        GoodsRecord r;
        const int pick = rng.bounded(100);
        r.tabType = pick < 34 ? GoodsKind::PurchaseIn
                  : pick < 38 ? GoodsKind::PurchaseReturn
                  : pick < 86 ? GoodsKind::Sale
                  : pick < 94 ? GoodsKind::SaleReturn
                              : GoodsKind::Loss;
        r.serial = QStringLiteral("2024-01-01 00:00:00:%1").arg(i, 7, 10, QLatin1Char('0'));
        r.model = QStringLiteral("M%1").arg(rng.bounded(r.tabType == GoodsKind::PurchaseIn ? 60 : 62));
        r.color = QStringLiteral("C%1").arg(rng.bounded(2));
        r.store = QStringLiteral("W%1").arg(rng.bounded(3));
        r.time = QStringLiteral("2024-%1-%2").arg(1 + rng.bounded(12), 2, 10, QLatin1Char('0'))
                     .arg(1 + rng.bounded(28), 2, 10, QLatin1Char('0'));
        const int qty = r.tabType == GoodsKind::PurchaseIn ? 20 + rng.bounded(200) : 1 + rng.bounded(12);
        r.num = QString::number(qty);
        r.price = QStringLiteral("%1.%2").arg(5 + rng.bounded(300)).arg(rng.bounded(100), 2, 10, QLatin1Char('0'));
        r.total = QString::number(qty * r.price.toDouble(), 'f', 2);
        r.supply = QStringLiteral("Customer%1").arg(rng.bounded(15));
        r.purchase = QStringLiteral("Seller%1").arg(rng.bounded(4));
        rows.append(r);
    }
    return rows;
}

template <typename F>
double BestMs(F &&run)
{
    double best = 1e300;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer t;
        t.start();
        run();
        best = qMin(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

} // namespace

int main()
{
    std::printf("%-8s %14s %12s %18s %12s\n", "rows", "stock (ms)", "stock rows", "sales deduct (ms)", "notes");
    for (int count : { 1000, 10000, 20000, 50000 }) {
        const GoodsList ledger = GoodsLedger(count, 20240101u + count);

        int stockCount = 0;
        const double stockMs = BestMs([&] {
            stockCount = StockCompute::ComputeStock(ledger, StockCompute::SuperUserType).size();
        });

        GoodsList sales, returns;
        for (const GoodsRecord &r : ledger) {
            if (r.tabType == GoodsKind::Sale)
                sales.append(r);
            else if (r.tabType == GoodsKind::SaleReturn)
                returns.append(r);
        }
        int noted = 0;
        const double salesMs = BestMs([&] {
            GoodsList work = sales;
            SalesStatistics::DeductReturns(work, returns);
            noted = 0;
            for (const GoodsRecord &s : work)
                noted += s.remark.isEmpty() ? 0 : 1;
        });

        std::printf("%-8d %14.2f %12d %18.2f %12d\n", count, stockMs, stockCount, salesMs, noted);
    }
    return 0;
}
