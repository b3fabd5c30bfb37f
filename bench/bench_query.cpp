// Times a page query end to end: the worker reads a year of rows from a
// fresh SQLite store, filters or computes them, reports back, and the rows are
// put into the page's table. Prints one line per query.
#include "db/dbmanager.h"
#include "db/schema.h"
#include "db/storedbaccess.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgerpages.h"
#include "ledger/queryfilter.h"
#include "ledger/queryprocess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace {

// A year of a busy shop; the first argument overrides the number of sales.
int kGoodsRows = 20000;
int kReturnRows = 2000;
int kFinanceRows = 20000;

// Rows go in straight through SQL in one transaction: saving them one by one
// through the store would time the saving, not the query.
template <typename Record>
bool Insert(QSqlQuery &q, const Record &r)
{
    q.addBindValue(r.tabType);
    for (int i = 0; i < Record::TextCount; ++i)
        q.addBindValue(r.text(i));
    q.addBindValue(StoreDbAccess::Instance()->storeNo());
    return q.exec();
}

QString InsertStatement(const char *table)
{
    const QStringList names = Schema::Find(QLatin1String(table))->columnNames();
    QStringList marks;
    for (int i = 0; i < names.size(); ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("insert into %1(%2) values(%3)")
        .arg(QLatin1String(table), names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
}

bool Seed()
{
    QSqlDatabase db = DbManager::Instance()->Connection();
    QRandomGenerator rng(7);
    db.transaction();
    QSqlQuery goods(db);
    goods.prepare(InsertStatement(Schema::GoodsTable));
    for (int i = 0; i < kGoodsRows + kReturnRows; ++i) {
        GoodsRecord r;
        r.tabType = i < kGoodsRows ? GoodsKind::Sale : GoodsKind::SaleReturn;
        r.serial = QStringLiteral("2024-01-01 00:00:00:%1").arg(i, 7, 10, QLatin1Char('0'));
        r.time = QStringLiteral("2024-%1-%2").arg(1 + rng.bounded(12), 2, 10, QLatin1Char('0'))
                     .arg(1 + rng.bounded(28), 2, 10, QLatin1Char('0'));
        r.model = QStringLiteral("M%1").arg(rng.bounded(60));
        r.color = QStringLiteral("C%1").arg(rng.bounded(3));
        r.store = QStringLiteral("W%1-A-%2").arg(rng.bounded(3)).arg(rng.bounded(20));
        r.num = QString::number(1 + rng.bounded(12));
        r.price = QString::number(5 + rng.bounded(300));
        r.total = QString::number(r.num.toInt() * r.price.toInt());
        r.supply = QStringLiteral("客户%1").arg(rng.bounded(40));
        r.purchase = QStringLiteral("销售%1").arg(rng.bounded(5));
        if (!Insert(goods, r))
            return false;
    }
    QSqlQuery finance(db);
    finance.prepare(InsertStatement(Schema::FinanceTable));
    for (int i = 0; i < kFinanceRows; ++i) {
        FinanceRecord f;
        f.tabType = rng.bounded(FinanceKind::StoredCount);
        f.serial = QStringLiteral("2024-01-01 00:00:00:%1").arg(i, 7, 10, QLatin1Char('0'));
        f.time = QStringLiteral("2024-%1-15").arg(1 + rng.bounded(12), 2, 10, QLatin1Char('0'));
        f.item = QStringLiteral("销售收款");
        f.sum = QString::number(rng.bounded(5000));
        if (!Insert(finance, f))
            return false;
    }
    return db.commit();
}

QueryRequest YearRequest(int group, int kind)
{
    QueryRequest r;
    r.pageGroup = group;
    r.pageKind = kind;
    r.dateMode = QueryDateMode::Year;
    r.dateFrom = r.dateTo = QStringLiteral("2024-06-30");
    for (int i = 0; i < QueryFilter::GoodsFields().size(); ++i)
        r.goodsConditions << QString();
    for (int i = 0; i < QueryFilter::SalesFields().size(); ++i)
        r.salesConditions << QString();
    for (int i = 0; i < QueryFilter::FinanceFields().size(); ++i)
        r.financeConditions << QString();
    return r;
}

// Runs one query through the worker, then fills the page as the window does.
void Run(const char *label, const QueryRequest &request, LedgerPages &pages, QueryScheduler &runner)
{
    QElapsedTimer total;
    total.start();
    QEventLoop loop;
    int code = 0;
    auto c = QObject::connect(&runner, &QueryScheduler::ResultReady, &loop, [&](int result) {
        code = result;
        loop.quit();
    });
    runner.Start(request);
    loop.exec();
    QObject::disconnect(c);
    runner.Accept(code);
    const double workerMs = total.nsecsElapsed() / 1e6;

    QElapsedTimer fill;
    fill.start();
    int rows = 0;
    const LedgerKinds::Group group = request.pageGroup == QueryGroup::Goods ? LedgerKinds::Group::Goods
                                   : request.pageGroup == QueryGroup::Sales ? LedgerKinds::Group::Sales
                                                                            : LedgerKinds::Group::Finance;
    QTableWidget *table = pages.Table(LedgerKinds::Find(group, request.pageKind)->tableName);
    if (QueryResultCode::GroupOf(code) == QueryGroup::Finance) {
        const FinanceList list = QueryWork::FinanceRowsToShow(code, pages.lists());
        rows = list.size();
        pages.ShowFinanceRows(table, list);
    } else {
        const GoodsList list = QueryWork::GoodsRowsToShow(code, pages.lists());
        rows = list.size();
        pages.ShowGoodsRows(table, list);
    }
    std::printf("%-34s code %2d  rows %6d  worker %8.1f ms  page fill %8.1f ms  total %8.1f ms\n",
                label, code, rows, workerMs, fill.nsecsElapsed() / 1e6, total.nsecsElapsed() / 1e6);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc > 1 && std::atoi(argv[1]) > 0) {
        kGoodsRows = kFinanceRows = std::atoi(argv[1]);
        kReturnRows = kGoodsRows / 10;
    }
    QApplication app(argc, argv);
    QTemporaryDir dir;
    DbSettings settings;
    settings.driver = QStringLiteral("QSQLITE");
    settings.file = dir.filePath(QStringLiteral("bench.db"));
    if (!DbManager::Instance()->ConnectDb(settings)) {
        std::printf("no database: %s\n", qPrintable(DbManager::Instance()->connectError()));
        return 1;
    }
    StoreDbAccess::Instance()->SetDbManager(DbManager::Instance());
    StoreDbAccess::Instance()->SetStoreNo(QStringLiteral("1"));

    QElapsedTimer seed;
    seed.start();
    if (!Seed()) {
        std::printf("seeding failed\n");
        return 1;
    }
    std::printf("seeded %d goods and %d finance rows in %.0f ms\n", kGoodsRows + kReturnRows,
                kFinanceRows, seed.nsecsElapsed() / 1e6);

    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    for (const LedgerKinds::PageKind &p : LedgerKinds::Pages()) {
        auto *table = new QTableWidget(0, p.ColumnCount(), &window);
        table->setObjectName(p.tableName);
        layout->addWidget(table);
    }
    LedgerPages pages(&window);
    QueryScheduler runner(&pages.lists());

    Run("sale page, a year", YearRequest(QueryGroup::Goods, GoodsKind::Sale), pages, runner);
    QueryRequest filtered = YearRequest(QueryGroup::Goods, GoodsKind::Sale);
    filtered.goodsConditions[2] = QStringLiteral("M1");  // model contains "M1"
    Run("sale page, a year, model M1*", filtered, pages, runner);
    Run("sales statistics, a year", YearRequest(QueryGroup::Sales, 0), pages, runner);
    Run("other expenses page, a year", YearRequest(QueryGroup::Finance, FinanceKind::OtherExpenses), pages, runner);
    Run("profit, a year", YearRequest(QueryGroup::Finance, FinanceKind::Profit), pages, runner);
    return 0;
}
