// Fills one goods page and one finance page with 1,000 and 10,000 stored rows
// the way the start-up load does (worker query, then the rows on the GUI
// thread, editors for the rows in view), under the application style sheet in
// a shown window, and prints the time and the peak memory. Then it scrolls the
// page through from top to bottom, a screenful at a time.
#include "db/dbmanager.h"
#include "db/storedbaccess.h"
#include "db/transactionguard.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgerpages.h"
#include "resources/resources.h"

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
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

// Every page's table on a tab of its own, as the main window's stacks hold them:
// only the current one is in view.
QWidget *BuildWindow(QTabWidget **tabs)
{
    auto *window = new QWidget;
    auto *layout = new QVBoxLayout(window);
    *tabs = new QTabWidget(window);
    layout->addWidget(*tabs);
    for (const LedgerKinds::PageKind &p : LedgerKinds::Pages()) {
        auto *table = new QTableWidget(0, p.ColumnCount());
        table->setObjectName(p.tableName);
        (*tabs)->addTab(table, p.tableName);
        for (const QString &name : {p.totalEdit, p.paidEdit, p.debtEdit}) {
            if (!name.isEmpty()) {
                auto *edit = new QLineEdit(window);
                edit->setObjectName(name);
                edit->hide();
            }
        }
    }
    window->resize(1280, 800);
    return window;
}

QString AppStyleSheet()
{
    QFile file(QStringLiteral(":/qss/qss/styleSheet.qss"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

// Stores rows from..to-1 (serials never repeat, so every row is a new one).
void Seed(bool goods, int from, int to)
{
    StoreDbAccess *store = StoreDbAccess::Instance();
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    TransactionGuard tx(DbManager::Instance()->Connection());
    for (int i = from; i < to; ++i) {
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

void MeasureScroll(QTableWidget *table)
{
    QScrollBar *bar = table->verticalScrollBar();
    const int rowsPerStep = qMax(1, bar->pageStep());
    QElapsedTimer timer;
    timer.start();
    int steps = 0;
    for (int v = 0; v <= bar->maximum(); v += rowsPerStep, ++steps) {
        bar->setValue(v);
        QApplication::processEvents();
    }
    std::printf("%-8s %6d rows: scrolled through in %d steps %6lld ms, peak memory %ld MB\n",
                "", table->rowCount(), steps, static_cast<long long>(timer.elapsed()),
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

    InitQuillonResources();
    // What a real start-up applies once the login is accepted.
    app.setStyleSheet(AppStyleSheet());
    QTabWidget *tabs = nullptr;
    QWidget *window = BuildWindow(&tabs);
    auto *pages = new LedgerPages(window);
    auto table = [window](const char *name) {
        return window->findChild<QTableWidget *>(QLatin1String(name));
    };
    tabs->setCurrentWidget(table("tab_purchaseIn"));
    window->show();
    QApplication::processEvents();
    std::printf("baseline: peak memory %ld MB\n", PeakKb() / 1024);

    int seeded = 0;
    for (int rows : qAsConst(sizes)) {
        Seed(true, seeded, rows);
        seeded = rows;
        Measure(pages, QStringLiteral("goods"), rows);
    }
    MeasureScroll(table("tab_purchaseIn"));
    const GoodsList goods = pages->lists().pageGoodsLists[GoodsKind::PurchaseIn];
    MeasureQueryFill(pages, table("tab_storeCurr"), &goods, nullptr);
    table("tab_storeCurr")->setRowCount(0);

    StoreDbAccess::Instance()->DeleteGoodsKind(GoodsKind::PurchaseIn);
    table("tab_purchaseIn")->setRowCount(0);
    tabs->setCurrentWidget(table("tab_income"));
    QApplication::processEvents();
    seeded = 0;
    for (int rows : qAsConst(sizes)) {
        Seed(false, seeded, rows);
        seeded = rows;
        Measure(pages, QStringLiteral("finance"), rows);
    }
    MeasureScroll(table("tab_income"));
    const FinanceList finance = pages->lists().pageFinanceLists[FinanceKind::Income];
    MeasureQueryFill(pages, table("tab_profit"), nullptr, &finance);

    delete window;
    DbManager::Instance()->Close();
    return 0;
}
