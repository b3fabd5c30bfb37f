// The owner's pages over a year of a shop at 1M goods rows, the database read
// included, each against one GROUP BY summing the same rows in the same run.
#include "benchsupport.h"

#include "analytics/stockalerts.h"
#include "db/stockrules.h"
#include "ledger/ledgerkinds.h"
#include "query/queryprocess.h"
#include "query/reports.h"

#include <QCoreApplication>

namespace {

double MarginMs()
{
    QueryRequest request;
    request.dateMode = QueryDateMode::Period;
    request.dateFrom = QStringLiteral("2024-07-01");
    request.dateTo = QStringLiteral("2024-09-30");
    request.noContentFilter = true;
    request.pageGroup = QueryGroup::Sales;
    request.pageKind = LedgerKinds::MarginKind;
    return Bench::BestMs(
        [&] {
            LedgerLists lists;
            if (!QueryWork::Execute(request, lists).ok)
                std::fprintf(stderr, "margin failed\n");
        },
        2);
}

double ValueMs()
{
    return Bench::BestMs(
        [] {
            if (!Reports::Compute(Reports::Kind::Value, 5, QString(), QString()).ok)
                std::fprintf(stderr, "value failed\n");
        },
        2);
}

double AlertsMs()
{
    return Bench::BestMs(
        [] {
            QVector<StockAlerts::Alert> alerts;
            if (!StockAlerts::Read(&alerts).ok())
                std::fprintf(stderr, "alerts failed\n");
        },
        2);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 1000000;
    TempStore db;
    if (!db.connected || !Bench::Store(Schema::GoodsTable, Bench::LedgerRows(count, 20240101u + count))) {
        std::fprintf(stderr, "cannot store rows\n");
        return 1;
    }
    // A minimum for every article, so the alerts sum every row.
    for (int m = 0; m < 62; ++m) {
        for (int c = 0; c < 2; ++c) {
            if (!StockRules::Save(QStringLiteral("M%1").arg(m), QStringLiteral("C%1").arg(c),
                                  QStringLiteral("50")))
                return 1;
        }
    }
    const double baseline = Bench::BestMs(
        [] {
            QSqlQuery q(DbManager::Instance()->Connection());
            q.setForwardOnly(true);
            q.exec(QStringLiteral(
                "select product_model, product_color, tab_type, sum(cast(product_num as real)), "
                "sum(cast(product_total as real)) from tb_sm_product_info where store_no='1' "
                "group by product_model, product_color, tab_type"));
            while (q.next())
                q.value(0);
        },
        2);
    const QString rows = Bench::Thousands(count);
    Bench::Case(QStringLiteral("margin, one quarter of %1 rows, every row read").arg(rows), MarginMs(),
                baseline);
    Bench::Case(QStringLiteral("value, %1 rows").arg(rows), ValueMs(), baseline);
    Bench::Case(QStringLiteral("alerts, %1 rows, 124 minimums").arg(rows), AlertsMs(), baseline);
    return 0;
}
