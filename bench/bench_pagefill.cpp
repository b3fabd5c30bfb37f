// Fills one goods page and one finance page with 1,000 and 10,000 stored rows
// the way the start-up load does (worker query, then the rows with their cell
// editors on the GUI thread), and prints the time and the peak memory.
#include "db/dbmanager.h"
#include "db/storedbaccess.h"
#include "db/transactionguard.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgerpages.h"

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <sys/resource.h>

namespace {

long PeakKb()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

QWidget *BuildWindow()
{
    auto *window = new QWidget;
    auto *layout = new QVBoxLayout(window);
    for (const LedgerKinds::PageKind &p : LedgerKinds::Pages()) {
        auto *table = new QTableWidget(0, p.ColumnCount(), window);
        table->setObjectName(p.tableName);
        layout->addWidget(table);
        for (const QString &name : {p.totalEdit, p.paidEdit, p.debtEdit}) {
            if (!name.isEmpty()) {
                auto *edit = new QLineEdit(window);
                edit->setObjectName(name);
                layout->addWidget(edit);
            }
        }
    }
    return window;
}

void Seed(bool goods, int count)
{
    StoreDbAccess *store = StoreDbAccess::Instance();
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    TransactionGuard tx(DbManager::Instance()->Connection());
    for (int i = 0; i < count; ++i) {
        const QString serial = QStringLiteral("2024-01-01 00:00:00:%1").arg(i, 6, 10, QLatin1Char('0'));
        if (goods) {
            GoodsRecord r;
            r.tabType = GoodsKind::PurchaseIn;
            r.serial = serial;
            r.productClass = QStringLiteral("类目%1").arg(i % 7);
            r.name = QStringLiteral("商品%1").arg(i % 50);
            r.model = QStringLiteral("M-%1").arg(i);
            r.time = today;
            r.num = QStringLiteral("3");
            r.price = QStringLiteral("2.5");
            r.total = QStringLiteral("7.5");
            r.pay = QStringLiteral("0");
            r.debt = QStringLiteral("7.5");
            store->SaveGoodsRow(r);
        } else {
            FinanceRecord r;
            r.tabType = FinanceKind::Income;
            r.serial = serial;
            r.item = QStringLiteral("销售收款");
            r.sum = QStringLiteral("12.5");
            r.time = today;
            store->SaveFinanceRow(r);
        }
    }
    tx.Commit();
}

void Measure(LedgerPages *pages, const QString &what, int rows)
{
    QEventLoop loop;
    QObject::connect(pages, &LedgerPages::TabDataShown, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    pages->StartLoad();
    loop.exec();
    const qint64 ms = timer.elapsed();
    std::printf("%-8s %6d rows: start-up load %6lld ms (%.3f ms/row), peak memory %ld MB\n",
                qPrintable(what), rows, static_cast<long long>(ms), double(ms) / rows,
                PeakKb() / 1024);
    std::fflush(stdout);
}

void MeasureQueryFill(LedgerPages *pages, QTableWidget *table, const GoodsList *goods,
                      const FinanceList *finance)
{
    QElapsedTimer timer;
    timer.start();
    if (goods)
        pages->ShowGoodsRows(table, *goods);
    else
        pages->ShowFinanceRows(table, *finance);
    const int rows = goods ? goods->size() : finance->size();
    std::printf("%-8s %6d rows: query-result fill %6lld ms, peak memory %ld MB\n",
                goods ? "goods" : "finance", rows, static_cast<long long>(timer.elapsed()),
                PeakKb() / 1024);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Row counts to measure; the default is the pair the figures are kept for.
    QList<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes << QString::fromLocal8Bit(argv[i]).toInt();
    if (sizes.isEmpty())
        sizes = {1000, 10000};
    QTemporaryDir dir;
    DbSettings settings;
    settings.driver = QStringLiteral("QSQLITE");
    settings.file = dir.filePath(QStringLiteral("bench.db"));
    if (!DbManager::Instance()->ConnectDb(settings)) {
        std::fprintf(stderr, "no database: %s\n", qPrintable(DbManager::Instance()->connectError()));
        return 1;
    }
    StoreDbAccess::Instance()->SetDbManager(DbManager::Instance());
    StoreDbAccess::Instance()->SetStoreNo(QStringLiteral("1"));

    QWidget *window = BuildWindow();
    auto *pages = new LedgerPages(window);
    std::printf("baseline: peak memory %ld MB\n", PeakKb() / 1024);

    int seeded = 0;
    for (int rows : qAsConst(sizes)) {
        Seed(true, rows - seeded);
        seeded = rows;
        Measure(pages, QStringLiteral("goods"), rows);
    }
    const GoodsList goods = pages->lists().pageGoodsLists[GoodsKind::PurchaseIn];
    QTableWidget *stock = window->findChild<QTableWidget *>(QStringLiteral("tab_storeCurr"));
    MeasureQueryFill(pages, stock, &goods, nullptr);
    stock->setRowCount(0);

    StoreDbAccess::Instance()->DeleteGoodsKind(GoodsKind::PurchaseIn);
    window->findChild<QTableWidget *>(QStringLiteral("tab_purchaseIn"))->setRowCount(0);
    QApplication::processEvents();
    seeded = 0;
    for (int rows : qAsConst(sizes)) {
        Seed(false, rows - seeded);
        seeded = rows;
        Measure(pages, QStringLiteral("finance"), rows);
    }
    const FinanceList finance = pages->lists().pageFinanceLists[FinanceKind::Income];
    QTableWidget *profit = window->findChild<QTableWidget *>(QStringLiteral("tab_profit"));
    MeasureQueryFill(pages, profit, nullptr, &finance);

    delete window;
    DbManager::Instance()->Close();
    return 0;
}
