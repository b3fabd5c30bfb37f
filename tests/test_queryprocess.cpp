#include "analytics/dialogshowgraph.h"
#include "app/mainwindow.h"
#include "db/numbertext.h"
#include "exchange/excelengine.h"
#include "ledger/dialogquery.h"
#include "ledger/queryfilter.h"
#include "ledger/queryprocess.h"
#include "resources/resources.h"
#include "storetestsupport.h"
#include "widgets/modalseam.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QtTest>
#include <memory>

namespace {

const QString kDay = QStringLiteral("2024-05-10");

GoodsRecord Goods(int kind, const QString &serial, const QString &date, const QString &model,
                  const QString &num, const QString &total, const QString &store = QStringLiteral("W1"))
{
    GoodsRecord r;
    r.tabType = kind;
    r.serial = serial;
    r.time = date;
    r.model = model;
    r.color = QStringLiteral("red");
    r.store = store;
    r.num = num;
    r.total = total;
    r.price = NumberText::ToText(NumberText::ToNumber(total) / qMax(1.0, NumberText::ToNumber(num)));
    r.pay = QStringLiteral("1");
    r.debt = QStringLiteral("2");
    r.supply = QStringLiteral("客户甲");
    r.purchase = QStringLiteral("小王");
    return r;
}

FinanceRecord Finance(int kind, const QString &serial, const QString &date, const QString &sum,
                      const QString &client = QStringLiteral("客户甲"))
{
    FinanceRecord r;
    r.tabType = kind;
    r.serial = serial;
    r.item = QStringLiteral("销售收款");
    r.time = date;
    r.sum = sum;
    r.client = client;
    return r;
}

QueryRequest Request(int group, int kind, int mode = QueryDateMode::Day, const QString &date = kDay)
{
    QueryRequest r;
    r.pageGroup = group;
    r.pageKind = kind;
    r.dateMode = mode;
    r.dateFrom = date;
    r.dateTo = date;
    for (int i = 0; i < QueryFilter::GoodsFields().size(); ++i)
        r.goodsConditions << QString();
    for (int i = 0; i < QueryFilter::SalesFields().size(); ++i)
        r.salesConditions << QString();
    for (int i = 0; i < QueryFilter::FinanceFields().size(); ++i)
        r.financeConditions << QString();
    return r;
}

int Slot(const QVector<QueryFilter::ConditionField> &fields, const char *widget)
{
    for (int i = 0; i < fields.size(); ++i)
        if (fields.at(i).widget == QLatin1String(widget))
            return i;
    return -1;
}

// A store with purchases, sales and returns spread over two years.
void SeedGoods()
{
    StoreDbAccess *s = TempStore::store();
    s->SaveGoodsRow(Goods(GoodsKind::PurchaseIn, QStringLiteral("p1"), kDay, QStringLiteral("AB-1"), "10", "100"));
    s->SaveGoodsRow(Goods(GoodsKind::PurchaseIn, QStringLiteral("p2"), kDay, QStringLiteral("AB-1"), "5", "50",
                          QStringLiteral("W2")));
    s->SaveGoodsRow(Goods(GoodsKind::PurchaseIn, QStringLiteral("p3"), QStringLiteral("2023-01-02"),
                          QStringLiteral("CD-7"), "3", "30"));
    s->SaveGoodsRow(Goods(GoodsKind::Sale, QStringLiteral("s1"), kDay, QStringLiteral("AB-1"), "4", "80"));
    s->SaveGoodsRow(Goods(GoodsKind::Sale, QStringLiteral("s2"), QStringLiteral("2024-05-11"),
                          QStringLiteral("AB-1"), "2", "40"));
    // A return booked a year before the sale it is deducted from.
    s->SaveGoodsRow(Goods(GoodsKind::SaleReturn, QStringLiteral("r1"), QStringLiteral("2023-03-03"),
                          QStringLiteral("AB-1"), "1", "20"));
}

QString Today()
{
    return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
}

std::unique_ptr<MainWindow> MakeWindow()
{
    auto window = std::make_unique<MainWindow>();
    UserRecord user;
    user.userType = 1;
    user.name = QStringLiteral("测试员");
    window->SetUser(user);
    window->Initialise();
    return window;
}

void Press(const QObject &parent, const char *name)
{
    auto *button = parent.findChild<QPushButton *>(QLatin1String(name));
    QVERIFY2(button, name);
    button->click();
}

// Runs a query from a page's query button and waits for its result on the page.
bool QueryFrom(MainWindow &w, const char *queryButton, const char *dialogButton)
{
    Press(w, queryButton);
    if (!w.QueryDialog() || !w.QueryDialog()->isVisible())
        return false;
    w.StatusLabel()->clear();
    Press(*w.QueryDialog(), dialogButton);
    return QTest::qWaitFor([&] { return w.StatusLabel()->text().endsWith(QStringLiteral("当前查询完成！")); }, 10000);
}

QStringList Column(const QTableWidget *t, int column)
{
    QStringList out;
    for (int r = 0; r < t->rowCount(); ++r)
        out << (t->item(r, column) ? t->item(r, column)->text() : QString());
    return out;
}

} // namespace

class TestQueryProcess : public QObject
{
    Q_OBJECT
private slots:
    void storedGoodsKinds_data();
    void storedGoodsKinds();
    void stockPageReadsEveryKindAndFiltersFirst();
    void stockRowsShownWithoutPaymentsAndByModel();
    void salesDeductReturnsOfAnyDate_data();
    void salesDeductReturnsOfAnyDate();
    void financeAndProfit_data();
    void financeAndProfit();
    void unknownPageAndClosedStore();
    void runnerKeepsOneWaitingQueryPerPage();

    // Through the main window, offscreen.
    void initTestCase() { InitQuillonResources(); }
    void goodsPageConditionsAndAllRecords();
    void salesAndProfitPagesWithTheirCharts();
    void stockPageFollowsTheModelSelector();
};

void TestQueryProcess::storedGoodsKinds_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("noFilter");
    QTest::addColumn<QString>("warehouse");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("serials");

    QTest::newRow("purchases of the day, no condition")
        << 0 << int(QueryDateMode::Day) << false << QString() << 2 << QStringList{ "p1", "p2" };
    QTest::newRow("warehouse condition keeps W1 only")
        << 0 << int(QueryDateMode::Day) << false << "W1" << 2 << QStringList{ "p1" };
    QTest::newRow("all records ignore the condition and the date")
        << 0 << int(QueryDateMode::AllTime) << true << "W1" << 4 << QStringList{ "p1", "p2", "p3" };
    QTest::newRow("sales of the month")
        << 2 << int(QueryDateMode::Month) << false << QString() << 2 << QStringList{ "s1", "s2" };
    QTest::newRow("losses: none")
        << 4 << int(QueryDateMode::Year) << true << QString() << 4 << QStringList{};
}

void TestQueryProcess::storedGoodsKinds()
{
    QFETCH(int, kind);
    QFETCH(int, mode);
    QFETCH(bool, noFilter);
    QFETCH(QString, warehouse);
    QFETCH(int, code);
    QFETCH(QStringList, serials);

    TempStore db;
    QVERIFY(db.connected);
    SeedGoods();
    QueryRequest r = Request(QueryGroup::Goods, kind, mode);
    r.noContentFilter = noFilter;
    r.goodsConditions[Slot(QueryFilter::GoodsFields(), "lineEdit_2")] = warehouse;

    LedgerLists lists;
    const QueryOutcome out = QueryRun::Execute(r, lists);
    QVERIFY(out.ok);
    QCOMPARE(out.code, code);
    QStringList shown = SerialsOf(QueryRun::GoodsRowsToShow(out.code, lists));
    shown.sort();
    QCOMPARE(shown, serials);
    QVERIFY(QueryRun::FinanceRowsToShow(out.code, lists).isEmpty());
}

void TestQueryProcess::stockPageReadsEveryKindAndFiltersFirst()
{
    TempStore db;
    QVERIFY(db.connected);
    SeedGoods();

    LedgerLists lists;
    QueryRequest r = Request(QueryGroup::Goods, GoodsKind::CurrentStock, QueryDateMode::AllTime);
    r.noContentFilter = true;
    QueryOutcome out = QueryRun::Execute(r, lists);
    QCOMPARE(out.code, int(QueryResult::StockAll));
    QCOMPARE(lists.queryGoods.size(), 6);  // every kind was read
    // W1 row of AB-1: 10 bought, 4 + 2 sold, 1 returned.
    const GoodsList all = QueryRun::GoodsRowsToShow(out.code, lists);
    auto w1 = std::find_if(all.begin(), all.end(), [](const GoodsRecord &g) { return g.serial == "p1"; });
    QVERIFY(w1 != all.end());
    QCOMPARE(w1->num, QStringLiteral("5"));

    // The warehouse condition applies before the stock is computed: W2 alone
    // has no sale against it, so it keeps its 5 and the W1 sales stay out.
    r.noContentFilter = false;
    r.goodsConditions[Slot(QueryFilter::GoodsFields(), "lineEdit_2")] = QStringLiteral("W2");
    out = QueryRun::Execute(r, lists);
    QCOMPARE(out.code, int(QueryResult::StockFiltered));
    const GoodsList w2 = QueryRun::GoodsRowsToShow(out.code, lists);
    QCOMPARE(SerialsOf(w2), QStringList{ "p2" });
    QCOMPARE(w2.first().num, QStringLiteral("5"));

    // A user who is not the super user sees no amounts on adjusted rows.
    r = Request(QueryGroup::Goods, GoodsKind::CurrentStock, QueryDateMode::AllTime);
    r.userType = 3;
    QueryRun::Execute(r, lists);
    const GoodsList plain = QueryRun::GoodsRowsToShow(QueryResult::StockFiltered, lists);
    auto adjusted = std::find_if(plain.begin(), plain.end(), [](const GoodsRecord &g) { return g.serial == "p1"; });
    QVERIFY(adjusted != plain.end());
    QVERIFY(adjusted->total.isEmpty());
}

void TestQueryProcess::stockRowsShownWithoutPaymentsAndByModel()
{
    LedgerLists lists;
    lists.stockRows = { Goods(0, "a", kDay, "AB-1", "1", "1"), Goods(0, "b", kDay, "AB-10", "1", "1"),
                        Goods(0, "c", kDay, "CD", "1", "1") };
    const GoodsList all = QueryRun::GoodsRowsToShow(QueryResult::StockAll, lists, QStringLiteral("所有型号"));
    QCOMPARE(SerialsOf(all), (QStringList{ "a", "b", "c" }));
    for (const GoodsRecord &g : all) {
        QVERIFY(g.pay.isEmpty());
        QVERIFY(g.debt.isEmpty());
        QCOMPARE(g.total, QStringLiteral("1"));
    }
    // The kept list itself is not touched: the next model choice starts from it.
    QCOMPARE(lists.stockRows.first().pay, QStringLiteral("1"));
    // A model is chosen exactly, not as a prefix.
    QCOMPARE(SerialsOf(QueryRun::GoodsRowsToShow(QueryResult::StockFiltered, lists, "AB-1")), QStringList{ "a" });
    QCOMPARE(SerialsOf(QueryRun::GoodsRowsToShow(QueryResult::StockAll, lists, QString())).size(), 3);
}

void TestQueryProcess::salesDeductReturnsOfAnyDate_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("noFilter");
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("serials");

    QTest::newRow("one day") << int(QueryDateMode::Day) << false << QString() << 5 << QStringList{ "s1" };
    QTest::newRow("whole month, all records") << int(QueryDateMode::Month) << true << "XX" << 6
                                              << QStringList{ "s1", "s2" };
    QTest::newRow("model prefix") << int(QueryDateMode::Year) << false << "AB" << 5 << QStringList{ "s1", "s2" };
    QTest::newRow("model not sold") << int(QueryDateMode::Year) << false << "CD" << 5 << QStringList{};
}

void TestQueryProcess::salesDeductReturnsOfAnyDate()
{
    QFETCH(int, mode);
    QFETCH(bool, noFilter);
    QFETCH(QString, model);
    QFETCH(int, code);
    QFETCH(QStringList, serials);

    TempStore db;
    QVERIFY(db.connected);
    SeedGoods();
    QueryRequest r = Request(QueryGroup::Sales, 0, mode);
    r.noContentFilter = noFilter;
    r.salesConditions[Slot(QueryFilter::SalesFields(), "comboBox_9")] = model;
    LedgerLists lists;
    const QueryOutcome out = QueryRun::Execute(r, lists);
    QVERIFY(out.ok);
    QCOMPARE(out.code, code);
    const GoodsList rows = QueryRun::GoodsRowsToShow(out.code, lists);
    QCOMPARE(SerialsOf(rows), serials);
    // The 2023 return of one piece worth 20 comes off every matching sale.
    for (const GoodsRecord &g : rows) {
        const GoodsRecord stored = g.serial == "s1" ? Goods(2, "", kDay, "", "4", "80") : Goods(2, "", kDay, "", "2", "40");
        QCOMPARE(NumberText::ToNumber(g.num), NumberText::ToNumber(stored.num) - 1);
        QCOMPARE(NumberText::ToNumber(g.total), NumberText::ToNumber(stored.total) - 20);
        QVERIFY(g.remark.contains(QStringLiteral("AB-1")));
        QCOMPARE(g.pay, QStringLiteral("1"));  // paid and unpaid keep their stored values
    }
}

void TestQueryProcess::financeAndProfit_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("noFilter");
    QTest::addColumn<QString>("client");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("serials");
    QTest::addColumn<QString>("profit");

    QTest::newRow("income, no condition") << 0 << false << QString() << 8 << QStringList{ "i1", "i2" } << QString();
    QTest::newRow("income, client") << 0 << false << "乙" << 8 << QStringList{ "i2" } << QString();
    QTest::newRow("other expenses, all") << 6 << true << "乙" << 10 << QStringList{ "e1" } << QString();
    QTest::newRow("profit of every kind") << 7 << true << QString() << 9 << QStringList{} << "120.5";
    QTest::newRow("profit of one client") << 7 << false << "甲" << 7 << QStringList{} << "70";
}

void TestQueryProcess::financeAndProfit()
{
    QFETCH(int, kind);
    QFETCH(bool, noFilter);
    QFETCH(QString, client);
    QFETCH(int, code);
    QFETCH(QStringList, serials);
    QFETCH(QString, profit);

    TempStore db;
    QVERIFY(db.connected);
    StoreDbAccess *s = db.store();
    s->SaveFinanceRow(Finance(FinanceKind::Income, "i1", kDay, "100"));
    s->SaveFinanceRow(Finance(FinanceKind::Income, "i2", kDay, "50.5", QStringLiteral("客户乙")));
    s->SaveFinanceRow(Finance(FinanceKind::OtherExpenses, "e1", kDay, "30"));
    s->SaveFinanceRow(Finance(FinanceKind::OtherExpenses, "e2", "2024-06-01", "999"));

    QueryRequest r = Request(QueryGroup::Finance, kind);
    r.noContentFilter = noFilter;
    r.financeConditions[Slot(QueryFilter::FinanceFields(), "comboBox_32")] = client;
    LedgerLists lists;
    const QueryOutcome out = QueryRun::Execute(r, lists);
    QVERIFY(out.ok);
    QCOMPARE(out.code, code);
    const FinanceList rows = QueryRun::FinanceRowsToShow(out.code, lists);
    if (profit.isEmpty()) {
        QStringList shown = SerialsOf(rows);
        shown.sort();
        QCOMPARE(shown, serials);
    } else {
        QCOMPARE(rows.size(), 8);
        QCOMPARE(rows.last().item, QStringLiteral("经营利润"));
        QCOMPARE(rows.last().sum, profit);
    }
    QVERIFY(QueryRun::GoodsRowsToShow(out.code, lists).isEmpty());
}

void TestQueryProcess::unknownPageAndClosedStore()
{
    LedgerLists lists;
    lists.queryGoods << GoodsRecord();
    QueryOutcome out = QueryRun::Execute(Request(QueryGroup::Goods, 6), lists);
    QCOMPARE(out.code, 0);
    QVERIFY(!out.ok);
    QCOMPARE(lists.queryGoods.size(), 1);
    QCOMPARE(QueryRun::Execute(Request(QueryGroup::Sales, 5), lists).code, 0);
    QCOMPARE(QueryRun::Execute(Request(4, 0), lists).code, 0);

    // No connection: the page still gets its code (it shows nothing), but
    // the failure is not reported as a finished query.
    {
        TempStore db;
        QVERIFY(db.connected);
    }
    out = QueryRun::Execute(Request(QueryGroup::Finance, FinanceKind::Profit), lists);
    QCOMPARE(out.code, int(QueryResult::ProfitFiltered));
    QVERIFY(!out.ok);
    QVERIFY(!out.error.isEmpty());
    QVERIFY(lists.queryGoods.size() == 1);
}

void TestQueryProcess::runnerKeepsOneWaitingQueryPerPage()
{
    TempStore db;
    QVERIFY(db.connected);
    SeedGoods();
    LedgerLists lists;
    QueryRunner runner(&lists);
    QSignalSpy ready(&runner, &QueryRunner::ResultReady);

    QueryRequest first = Request(QueryGroup::Goods, GoodsKind::PurchaseIn, QueryDateMode::AllTime);
    QueryRequest sales = Request(QueryGroup::Goods, GoodsKind::Sale);
    QVERIFY(runner.Start(first));
    // Asked while the first runs: each page waits once, a newer query of a
    // page replacing its older one.
    QVERIFY(!runner.Start(sales));
    QVERIFY(!runner.Start(Request(QueryGroup::Sales, 0)));
    sales.dateMode = QueryDateMode::AllTime;
    QVERIFY(!runner.Start(sales));
    QVERIFY(runner.IsRunning());

    const auto next = [&ready] {
        return ready.wait(5000) ? ready.takeFirst().at(0).toInt() : 0;
    };
    // Every page that asked gets its result, in the order asked.
    QVERIFY(runner.Accept(next()));
    QCOMPARE(runner.request().pageKind, int(GoodsKind::PurchaseIn));
    QCOMPARE(SerialsOf(lists.filteredGoods).size(), 3);
    QVERIFY(runner.outcome().ok);
    const int code = next();
    QCOMPARE(code, int(QueryResult::GoodsFiltered));
    QVERIFY(runner.Accept(code));
    QCOMPARE(runner.request().pageKind, int(GoodsKind::Sale));
    QCOMPARE(runner.request().dateMode, int(QueryDateMode::AllTime));
    QStringList sold = SerialsOf(lists.filteredGoods);
    sold.sort();
    QCOMPARE(sold, (QStringList{ "s1", "s2" }));
    QVERIFY(runner.Accept(next()));
    QCOMPARE(runner.request().pageGroup, int(QueryGroup::Sales));
    QVERIFY(!runner.IsRunning());
    QVERIFY(!runner.HasPending());

    // The running query's page asked again: its result is dropped for the newer one.
    QVERIFY(runner.Start(first));
    QVERIFY(!runner.Start(Request(QueryGroup::Goods, GoodsKind::PurchaseIn)));
    QVERIFY(!runner.Accept(next()));
    QVERIFY(runner.Accept(next()));
    QCOMPARE(runner.request().dateMode, int(QueryDateMode::Day));
    QCOMPARE(SerialsOf(lists.filteredGoods).size(), 2);
    QCOMPARE(ready.size(), 0);

    // An emitter replaces the runner's own signal (the window emits its own).
    QList<int> emitted;
    runner.SetResultEmitter([&emitted](int code) { emitted << code; });
    runner.Start(first);
    runner.Wait();
    QCOMPARE(emitted, QList<int>{ QueryResult::GoodsFiltered });
    QVERIFY(runner.Accept(emitted.first()));
}

void TestQueryProcess::goodsPageConditionsAndAllRecords()
{
    TempStore db;
    QVERIFY(db.connected);
    StoreDbAccess *s = db.store();
    s->SaveGoodsRow(Goods(GoodsKind::Sale, "s1", Today(), "AB-1", "4", "80"));
    s->SaveGoodsRow(Goods(GoodsKind::Sale, "s2", Today(), "AB-1", "2", "40", "W2"));
    s->SaveGoodsRow(Goods(GoodsKind::Sale, "s3", "2020-01-01", "CD-7", "1", "10"));
    auto w = MakeWindow();
    QTableWidget *sale = w->Table(QStringLiteral("tab_saleout"));
    QTRY_COMPARE(sale->rowCount(), 2);  // the start-up load: today's rows

    DialogQuery *dialog = w->QueryDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->SetCondition(QStringLiteral("lineEdit_2"), QStringLiteral("W1")));
    QVERIFY(QueryFrom(*w, "btn_purquery_3", "btn_query"));
    QCOMPARE(dialog->pageKind(), int(GoodsKind::Sale));
    QCOMPARE(Column(sale, 0), QStringList{ "s1" });
    QVERIFY(dialog->isVisible());

    // "全部记录": every date, no condition; the dialog closes.
    QVERIFY(QueryFrom(*w, "btn_purquery_3", "btn_all"));
    QStringList all = Column(sale, 0);
    all.sort();
    QCOMPARE(all, (QStringList{ "s1", "s2", "s3" }));
    QVERIFY(dialog->isHidden());

    // A row shown by a query is edited and saved as usual.
    const int row = Column(sale, 0).indexOf(QStringLiteral("s3"));
    sale->item(row, 16)->setText(QStringLiteral("单-9"));
    GoodsList stored;
    s->QueryGoods(5, GoodsKind::Sale, QString(), QString(), stored);
    auto s3 = std::find_if(stored.begin(), stored.end(), [](const GoodsRecord &g) { return g.serial == "s3"; });
    QVERIFY(s3 != stored.end());
    QCOMPARE(s3->oddNum, QStringLiteral("单-9"));
    QCOMPARE(stored.size(), 3);
}

void TestQueryProcess::salesAndProfitPagesWithTheirCharts()
{
    TempStore db;
    QVERIFY(db.connected);
    StoreDbAccess *s = db.store();
    s->SaveGoodsRow(Goods(GoodsKind::Sale, "s1", Today(), "AB-1", "4", "80"));
    s->SaveGoodsRow(Goods(GoodsKind::Sale, "s2", Today(), "CD-7", "1", "15"));
    s->SaveGoodsRow(Goods(GoodsKind::SaleReturn, "r1", "2019-02-02", "AB-1", "1", "20"));
    s->SaveFinanceRow(Finance(FinanceKind::Income, "i1", Today(), "100"));
    s->SaveFinanceRow(Finance(FinanceKind::OtherExpenses, "e1", Today(), "30"));
    auto w = MakeWindow();
    QTableWidget *expenses = w->FinanceTable(FinanceKind::OtherExpenses);
    QTRY_COMPARE(expenses->rowCount(), 1);

    // The day's sales, with the return of years ago deducted.
    QVERIFY(QueryFrom(*w, "btn_salequery_1", "btn_query"));
    QTableWidget *sales = w->SalesTable();
    QCOMPARE(Column(sales, 0), (QStringList{ "s1", "s2" }));
    QCOMPARE(Column(sales, 11), (QStringList{ "60", "15" }));
    QVERIFY(!w->GraphDialog());
    Press(*w, "btn_chart_7");
    QVERIFY(w->GraphDialog());
    QCOMPARE(w->GraphDialog()->CurrentData().labels, (QStringList{ "AB-1", "CD-7" }));
    QCOMPARE(w->GraphDialog()->CurrentData().values, (QList<double>{ 60, 15 }));
    QCOMPARE(w->GraphDialog()->CurrentData().subtitle, Today());

    // The per-salesperson page sums the same deducted rows: query, totals, chart.
    w->findChild<QAction *>(QStringLiteral("action_saleemploy"))->trigger();
    QVERIFY(QueryFrom(*w, "btn_salequery_3", "btn_query"));
    QTableWidget *bySeller = w->Table(QStringLiteral("tab_saletotal_3"));
    QCOMPARE(w->SalesStack()->currentWidget(), bySeller->parentWidget());
    QCOMPARE(Column(bySeller, 0), QStringList{ "小王" });
    QCOMPARE(Column(bySeller, 11), QStringList{ "75" });
    QCOMPARE(Column(bySeller, 16), QStringList{ "2" });
    QVERIFY(bySeller->isColumnHidden(3) && !bySeller->isColumnHidden(13));
    QCOMPARE(Column(sales, 11), (QStringList{ "60", "15" }));  // the sales page keeps its rows
    Press(*w, "btn_total_9");
    QCOMPARE(w->findChild<QLineEdit *>(QStringLiteral("lineEdit_t_9"))->text(), QStringLiteral("75"));
    Press(*w, "btn_chart_9");
    QCOMPARE(w->GraphDialog()->CurrentData().labels, QStringList{ "小王" });
    QCOMPARE(w->GraphDialog()->CurrentData().values, QList<double>{ 75 });
    // 导出 writes the columns the page shows.
    const QString file = db.dir.filePath(QStringLiteral("seller.xlsx"));
    ModalSeam::SetFileAnswerer([&](const QString &, const QString &, const QString &) { return file; });
    Press(*w, "btn_export_9");
    ModalSeam::SetFileAnswerer({});
    ExcelEngine book(file);
    QVector<QStringList> cells;
    QVERIFY(book.Open(1, false) && book.ReadRows(&cells));
    QCOMPARE(cells, (QVector<QStringList>{ { "小王", "4", "75", "2", "4", "2" } }));

    // The profit query empties and fills the profit table only.
    QVERIFY(QueryFrom(*w, "btn_finquery_8", "btn_query"));
    QTableWidget *profit = w->FinanceTable(FinanceKind::Profit);
    QCOMPARE(profit->rowCount(), 8);
    QCOMPARE(expenses->rowCount(), 1);
    DialogShowGraph *graph = w->GraphDialog();
    Press(*w, "btn_finchart_8");
    QCOMPARE(w->GraphDialog(), graph);  // made once
    const HistogramData chart = graph->CurrentData();
    QCOMPARE(chart.values.size(), 8);
    QCOMPARE(chart.values.first(), 100.0);
    QCOMPARE(chart.values.last(), 70.0);
    QCOMPARE(chart.labels.last(), QStringLiteral("经营利润"));
}

void TestQueryProcess::stockPageFollowsTheModelSelector()
{
    TempStore db;
    QVERIFY(db.connected);
    StoreDbAccess *s = db.store();
    QVERIFY(s->SaveInfoList(InfoStore::MasterData, InfoList{ 3, QStringLiteral("AB##1;CD##7") }));
    s->SaveGoodsRow(Goods(GoodsKind::PurchaseIn, "p1", Today(), "AB-1", "10", "100"));
    s->SaveGoodsRow(Goods(GoodsKind::PurchaseIn, "p2", Today(), "CD-7", "3", "30"));
    s->SaveGoodsRow(Goods(GoodsKind::Sale, "s1", Today(), "AB-1", "4", "80"));
    auto w = MakeWindow();

    QComboBox *models = w->ModelCombo();
    QStringList items;
    for (int i = 0; i < models->count(); ++i)
        items << models->itemText(i);
    QCOMPARE(items, (QStringList{ "AB-1", "CD-7", "所有型号" }));
    QCOMPARE(models->currentText(), QStringLiteral("所有型号"));

    QVERIFY(QueryFrom(*w, "btn_purquery_6", "btn_query"));
    QVERIFY(!models->isHidden());
    QTableWidget *stock = w->GoodsTable(GoodsKind::CurrentStock);
    QCOMPARE(Column(stock, 0), (QStringList{ "p1", "p2" }));
    QCOMPARE(Column(stock, 9), (QStringList{ "6", "3" }));
    QCOMPARE(Column(stock, 12), (QStringList{ "", "" }));  // no paid / unpaid on stock rows

    models->setCurrentText(QStringLiteral("CD-7"));
    QCOMPARE(Column(stock, 0), QStringList{ "p2" });
    // A new query keeps the chosen model.
    QVERIFY(QueryFrom(*w, "btn_purquery_6", "btn_query"));
    QCOMPARE(Column(stock, 0), QStringList{ "p2" });
    models->setCurrentText(QStringLiteral("所有型号"));
    QCOMPARE(stock->rowCount(), 2);
}

QTEST_MAIN(TestQueryProcess)
#include "test_queryprocess.moc"
