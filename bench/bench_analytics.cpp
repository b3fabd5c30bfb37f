// Times the stock computation, the sales-return deduction and the summary
// pages of the sales statistics stack (per day, salesperson, customer; money
// owed) over generated ledgers of realistic shape. Prints one line per size.
// Then the stock, sales and profit workers as a query runs them, the database
// read included, against one SQL GROUP BY over the same rows in the same run.
#include "analytics/profit.h"
#include "analytics/salesstatistics.h"
#include "analytics/stockcompute.h"

#include "db/dbmanager.h"
#include "db/storedbaccess.h"
#include "db/transactionguard.h"
#include "ledger/queryprocess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

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
        const int paidPart = rng.bounded(3); // all, half or nothing paid
        r.pay = paidPart == 0 ? r.total : paidPart == 1 ? QString::number(qty * r.price.toDouble() / 2, 'f', 2)
                                                        : QStringLiteral("0");
        r.debt = QString::number(r.total.toDouble() - r.pay.toDouble(), 'f', 2);
        r.supply = QStringLiteral("Customer%1").arg(rng.bounded(15));
        r.purchase = rng.bounded(50) == 0 ? QString() : QStringLiteral("Seller%1").arg(rng.bounded(4));
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

FinanceList FinanceLedger(int count, quint32 seed)
{
    QRandomGenerator rng(seed);
    FinanceList rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        FinanceRecord r;
        r.tabType = rng.bounded(FinanceKind::StoredCount);
        r.serial = QStringLiteral("2024-01-01 00:00:00:%1").arg(i, 7, 10, QLatin1Char('0'));
        r.item = QStringLiteral("项目%1").arg(rng.bounded(11));
        r.sum = QStringLiteral("%1.%2").arg(rng.bounded(5000)).arg(rng.bounded(100), 2, 10, QLatin1Char('0'));
        r.time = QStringLiteral("2024-%1-%2").arg(1 + rng.bounded(12), 2, 10, QLatin1Char('0'))
                     .arg(1 + rng.bounded(28), 2, 10, QLatin1Char('0'));
        rows.append(r);
    }
    return rows;
}

// Stores the rows in one transaction, as a restore would.
template <typename Record>
bool Store(const QList<Record> &rows, bool (StoreDbAccess::*save)(const Record &))
{
    TransactionGuard tx(DbManager::Instance()->Connection());
    for (const Record &r : rows) {
        if (!(StoreDbAccess::Instance()->*save)(r))
            return false;
    }
    return tx.Commit();
}

void GroupBy(const char *sql)
{
    QSqlQuery q(DbManager::Instance()->Connection());
    q.setForwardOnly(true);
    q.exec(QLatin1String(sql));
    while (q.next())
        q.value(0);
}

void Line(const char *what, int rows, double program, double baseline)
{
    std::printf("case: %s, %dk rows incl. the read | program %.1f ms (%.2f us/row) | baseline %.1f ms | ratio %.2f\n",
                what, rows / 1000, program, program * 1000 / rows, baseline,
                baseline > 0 ? program / baseline : 0.0);
    std::fflush(stdout);
}

// The workers with their read, against a GROUP BY; false without a database.
bool ReadCases(const QList<int> &sizes)
{
    for (int count : qAsConst(sizes)) {
        QTemporaryDir dir;
        DbSettings settings;
        settings.driver = QStringLiteral("QSQLITE");
        settings.file = dir.filePath(QStringLiteral("bench.db"));
        if (!DbManager::Instance()->ConnectDb(settings)) {
            std::fprintf(stderr, "no database\n");
            return false;
        }
        StoreDbAccess *store = StoreDbAccess::Instance();
        store->SetDbManager(DbManager::Instance());
        store->SetStoreNo(QStringLiteral("1"));
        if (!Store(GoodsLedger(count, 20240101u + count), &StoreDbAccess::SaveGoodsRow)
            || !Store(FinanceLedger(count, 7u + count), &StoreDbAccess::SaveFinanceRow)) {
            std::fprintf(stderr, "cannot store rows\n");
            return false;
        }

        // The program figures run the query worker's own path.
        const auto worker = [](int group, int kind) {
            QueryRequest request;
            request.dateMode = QueryDateMode::AllTime;
            request.noContentFilter = true;
            request.pageGroup = group;
            request.pageKind = kind;
            return BestMs([&] {
                LedgerLists lists;
                if (!QueryWork::Execute(request, lists).ok)
                    std::fprintf(stderr, "query failed\n");
            });
        };
        const double stock = worker(QueryGroup::Goods, GoodsKind::CurrentStock);
        const double stockSql = BestMs([] {
            GroupBy("select product_model, product_color, product_store, tab_type, "
                    "sum(cast(product_num as real)), sum(cast(product_total as real)) "
                    "from tb_sm_product_info where store_no='1' "
                    "group by product_model, product_color, product_store, tab_type");
        });
        Line("stock", count, stock, stockSql);

        const double sales = worker(QueryGroup::Sales, SalesStatistics::SalesRows);
        const double salesSql = BestMs([] {
            GroupBy("select product_model, tab_type, sum(cast(product_num as real)), "
                    "sum(cast(product_total as real)) from tb_sm_product_info "
                    "where store_no='1' and tab_type in (2, 3) group by product_model, tab_type");
        });
        Line("sales", count, sales, salesSql);

        const double profit = worker(QueryGroup::Finance, FinanceKind::Profit);
        const double profitSql = BestMs([] {
            GroupBy("select tab_type, sum(cast(ie_sum as real)) from tb_sm_finance_info "
                    "where store_no='1' group by tab_type");
        });
        Line("profit", count, profit, profitSql);
        DbManager::Instance()->Close();
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::printf("%-8s %11s %11s %15s %11s %11s %11s %11s %9s\n", "rows", "stock (ms)", "stock rows",
                "sales deduct", "per day", "per seller", "per cust.", "debts", "notes");
    for (int count : { 1000, 10000, 50000, 100000, 200000 }) {
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
        GoodsList deducted;
        const double salesMs = BestMs([&] {
            deducted = sales;
            SalesStatistics::DeductReturns(deducted, returns);
            noted = 0;
            for (const GoodsRecord &s : deducted)
                noted += s.remark.isEmpty() ? 0 : 1;
        });

        // Each summary page costs the deduction above plus its own pass.
        double viewMs[3] = {};
        const int views[3] = { SalesStatistics::Daily, SalesStatistics::Employee, SalesStatistics::Customer };
        for (int v = 0; v < 3; ++v)
            viewMs[v] = BestMs([&] { SalesStatistics::Summarize(views[v], deducted); });
        const double debtsMs = BestMs([&] { SalesStatistics::SummarizeDebts(ledger); });

        std::printf("%-8d %11.2f %11d %15.2f %11.2f %11.2f %11.2f %11.2f %9d\n", count, stockMs, stockCount,
                    salesMs, viewMs[0], viewMs[1], viewMs[2], debtsMs, noted);
    }
    return ReadCases({50000, 200000}) ? 0 : 1;
}
