// The stock, sales and profit workers as a query runs them, the database read
// included, against one SQL GROUP BY computing the same aggregate over the
// same rows in the same run. Two sizes, with the time per row, show whether
// the cost grows in step with the rows.
#include "benchsupport.h"

#include "analytics/salesstatistics.h"
#include "query/queryprocess.h"

#include <QCoreApplication>

namespace {

FinanceList FinanceRows(int count, quint32 seed)
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
        r.time = QStringLiteral("2024-%1-%2")
                     .arg(1 + rng.bounded(12), 2, 10, QLatin1Char('0'))
                     .arg(1 + rng.bounded(28), 2, 10, QLatin1Char('0'));
        rows.append(r);
    }
    return rows;
}

// Sales and sale returns only, every amount with seven decimals, and each
// (model, customer, salesperson) with 40 sales and 10 returns: the ledger on
// which the deduction once fell back to matching return by return.
GoodsList ReturnHeavyRows(int count, quint32 seed)
{
    QRandomGenerator rng(seed);
    const int keys = count / 50;
    const auto amount = [&rng](int whole) {
        return QStringLiteral("%1.%2")
            .arg(rng.bounded(whole))
            .arg(rng.bounded(10000000), 7, 10, QLatin1Char('0'));
    };
    GoodsList rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        const int key = i % keys;
        GoodsRecord r;
        r.tabType = i / keys < 40 ? GoodsKind::Sale : GoodsKind::SaleReturn;
        r.serial = QStringLiteral("2024-01-01 00:00:00:%1").arg(i, 7, 10, QLatin1Char('0'));
        r.model = QStringLiteral("M%1").arg(key);
        r.supply = QStringLiteral("Customer%1").arg(key % 300);
        r.purchase = QStringLiteral("Seller%1").arg(key % 7);
        r.time = QStringLiteral("2024-%1-%2")
                     .arg(1 + rng.bounded(12), 2, 10, QLatin1Char('0'))
                     .arg(1 + rng.bounded(28), 2, 10, QLatin1Char('0'));
        r.num = amount(20);
        r.price = amount(500);
        r.total = amount(10000);
        r.pay = amount(5000);
        r.debt = amount(5000);
        rows.append(r);
    }
    return rows;
}

double GroupByMs(const char *sql)
{
    return Bench::BestMs([sql] {
        QSqlQuery q(DbManager::Instance()->Connection());
        q.setForwardOnly(true);
        q.exec(QLatin1String(sql));
        while (q.next())
            q.value(0);
    });
}

// The query worker's own path, reading every row of all time.
double WorkerMs(int group, int kind)
{
    QueryRequest request;
    request.dateMode = QueryDateMode::AllTime;
    request.noContentFilter = true;
    request.pageGroup = group;
    request.pageKind = kind;
    return Bench::BestMs([&] {
        LedgerLists lists;
        if (!QueryWork::Execute(request, lists).ok)
            std::fprintf(stderr, "query failed\n");
    });
}

void Line(const char *what, int count, double program, double baseline)
{
    Bench::Case(QStringLiteral("%1, %2 rows incl. the read (%3 us/row)")
                    .arg(QLatin1String(what), Bench::Thousands(count))
                    .arg(program * 1000 / count, 0, 'f', 2),
                program, baseline);
}

} // namespace

// 销售统计 and each summary on ReturnHeavyRows at 20k and 200k rows, each
// against one GROUP BY over the same rows, then the growth of the time per row.
int ReturnHeavyCases()
{
    const struct
    {
        const char *name;
        int view;
    } views[] = {{"sales", SalesStatistics::SalesRows},
                 {"daily", SalesStatistics::Daily},
                 {"employee", SalesStatistics::Employee},
                 {"customer", SalesStatistics::Customer},
                 {"debts", SalesStatistics::Debts}};
    double usPerRow[2][5] = {};
    const int counts[2] = {20000, 200000};
    for (int c = 0; c < 2; ++c) {
        const int count = counts[c];
        TempStore db;
        if (!db.connected || !Bench::Store(Schema::GoodsTable, ReturnHeavyRows(count, 77u + count))) {
            std::fprintf(stderr, "cannot store rows\n");
            return 1;
        }
        const double baseline =
            GroupByMs("select product_model, product_supply, product_purchase, tab_type, "
                      "sum(cast(product_num as real)), sum(cast(product_total as real)) "
                      "from tb_sm_product_info where store_no='1' and tab_type in (2, 3) "
                      "group by product_model, product_supply, product_purchase, tab_type");
        for (int v = 0; v < 5; ++v) {
            const double program = WorkerMs(QueryGroup::Sales, views[v].view);
            usPerRow[c][v] = program * 1000 / count;
            Line(qPrintable(
                     QStringLiteral("%1, 7 decimals, 10 returns per key").arg(QLatin1String(views[v].name))),
                 count, program, baseline);
        }
    }
    for (int v = 0; v < 5; ++v)
        Bench::Case(QStringLiteral("%1, 7 decimals, 10 returns per key: us/row at 200k against 20k")
                        .arg(QLatin1String(views[v].name)),
                    usPerRow[1][v], usPerRow[0][v], "us/row");
    return 0;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (ReturnHeavyCases() != 0)
        return 1;
    for (int count : {50000, 200000}) {
        TempStore db;
        if (!db.connected || !Bench::Store(Schema::GoodsTable, Bench::LedgerRows(count, 20240101u + count))
            || !Bench::Store(Schema::FinanceTable, FinanceRows(count, 7u + count))) {
            std::fprintf(
                stderr, "cannot store rows: %s\n",
                qPrintable(db.manager()->connectError() + db.manager()->Connection().lastError().text()));
            return 1;
        }
        Line("stock", count, WorkerMs(QueryGroup::Goods, GoodsKind::CurrentStock),
             GroupByMs("select product_model, product_color, product_store, tab_type, "
                       "sum(cast(product_num as real)), sum(cast(product_total as real)) "
                       "from tb_sm_product_info where store_no='1' "
                       "group by product_model, product_color, product_store, tab_type"));
        // Returns are deducted per article, customer and seller, so the
        // matching aggregate groups by all three.
        Line("sales", count, WorkerMs(QueryGroup::Sales, SalesStatistics::SalesRows),
             GroupByMs("select product_model, product_supply, product_purchase, tab_type, "
                       "sum(cast(product_num as real)), sum(cast(product_total as real)) "
                       "from tb_sm_product_info where store_no='1' and tab_type in (2, 3) "
                       "group by product_model, product_supply, product_purchase, tab_type"));
        Line("profit", count, WorkerMs(QueryGroup::Finance, FinanceKind::Profit),
             GroupByMs("select tab_type, sum(cast(ie_sum as real)) from tb_sm_finance_info "
                       "where store_no='1' group by tab_type"));
    }
    return 0;
}
