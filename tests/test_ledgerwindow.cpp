#include "analytics/profit.h"
#include "app/mainwindow.h"
#include "db/listcodec.h"
#include "ledger/cellediting.h"
#include "ledger/celllayout.h"
#include "ledger/dialogquery.h"
#include "ledgertestsupport.h"
#include "masterdata/itemlistwidget.h"
#include "resources/resources.h"
#include "storetestsupport.h"
#include "widgets/dialogshowtext.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>
#include <memory>

namespace {

QString Today() { return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")); }

std::unique_ptr<MainWindow> MakeWindow(int userType)
{
    auto window = std::make_unique<MainWindow>();
    UserRecord user;
    user.userType = userType;
    user.name = QStringLiteral("测试员");
    window->SetUser(user);
    window->Initialise();
    return window;
}

// A type-1 user's window showing 销售管理表 once its rows are in; null when it never got there.
std::unique_ptr<MainWindow> SalePageWindow(QTableView **sale)
{
    auto w = MakeWindow(1);
    w->show();
    if (!QTest::qWaitForWindowActive(w.get()))
        return nullptr;
    w->findChild<QAction *>("action_saleout")->trigger();
    *sale = w->Table("tab_saleout");
    if (!QTest::qWaitFor([&] { return (*sale)->isVisible() && !w->Ledger()->fillingTables(); }))
        return nullptr;
    return w;
}

// Types into a cell through the table's own editor, as the user does: open it,
// replace its text, press Enter.
void Keys(QTableView *t, int row, int column, const QString &text)
{
    auto *editor = OpenEditor<QLineEdit>(t, row, column);
    QVERIFY(editor);
    editor->selectAll();
    if (text.isEmpty())
        QTest::keyClick(editor, Qt::Key_Delete);
    else
        QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the delegate commits through a queued call
}

// quantity|price|total|paid|unpaid of a stored goods row.
QString Amounts(const GoodsRecord &r)
{
    return QStringList{r.num, r.price, r.total, r.pay, r.debt}.join(QLatin1Char('|'));
}

} // namespace

class TestLedgerWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { InitQuillonResources(); }
    void cleanup() { ModalSeam::SetDialogAnswerer({}); }
    void buttonsFilterAndSortOfAPage();
    void exitBackupFinishesBeforeTheProgramEnds();
    void addStoresAnEmptyRowOfThePageKind_data();
    void addStoresAnEmptyRowOfThePageKind();
    void editSavedAtOnceAndLoadedAgain();
    void editorsSaveTheirOwnRow();
    void deleteAsksAndRemovesOnlyTheCurrentRow();
    void clearNeedsConfirmationAndLogin();
    void failedSaveMarksTheRowAndSaysWhy();
    void typedAmountLeadsItsRow();
    void computedPagesAreReadOnlyAndTotalled();
    void badStoredDateIsShownButNotRewritten();
    void typeAheadListUnderTheCellTakesItsKeys();
    void saleRowInSixKeys();
    void datesTypedAsDigits();
    void pagesSayWhatTheyShow();
    void tabWalksTheEditableCells_data();
    void tabWalksTheEditableCells();
    void goodsCodeFillsOnlyEmptyCells();
    void saleBeyondStockWarnsButSaves();
    void dateModes_data();
    void dateModes();
    void queryButtons();
    void unlistedNameJoinsItsListFromTheCellMenu();
    void warehousePickerFromTheKeyboard();
};

void TestLedgerWindow::buttonsFilterAndSortOfAPage()
{
    TempStore store;
    const QStringList names = {"衬衫", "T恤", "长裤"};
    const QStringList quantities = {"9", "10", "2"};
    for (int i = 0; i < names.size(); ++i) {
        GoodsRecord r = MakeGoods(GoodsKind::Sale, QString("2026-01-01 08:00:00:00%1").arg(i), Today());
        r.name = names.at(i);
        r.num = r.total = r.debt = quantities.at(i);
        r.price = "1";
        r.pay = "0";
        QVERIFY(StoreDbAccess::Instance()->SaveGoodsRow(r));
    }
    BoxAnswers answers;
    auto w = MakeWindow(1);
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    w->findChild<QAction *>("action_saleout")->trigger();
    QTableView *sale = w->Table("tab_saleout");
    QTRY_COMPARE(RowsOf(sale), 3);
    QLineEdit *total = w->findChild<QLineEdit *>("lineEdit_t_3");
    QCOMPARE(total->text(), QString("21"));
    auto shown = [](const QTableView *t) {
        QStringList out;
        for (int r = 0; r < RowsOf(t); ++r) {
            if (!t->isRowHidden(r))
                out << Cell(t, r, 2);
        }
        return out;
    };

    w->findChild<QPushButton *>("btn_puradd_3")->click();
    Type(sale, 3, 9, "3");
    Type(sale, 3, 10, "2.5");
    QCOMPARE(Cell(sale, 3, 13), QString("7.5"));
    QCOMPARE(total->text(), QString("28.5"));
    QCOMPARE(StoredGoodsOf().size(), 4);
    SetCurrent(sale, 3, 5);
    w->findChild<QPushButton *>("btn_purdel_3")->click();
    QCOMPARE(StoredGoodsOf().size(), 3);
    QCOMPARE(total->text(), QString("21"));

    // Ctrl+F goes to the page's search box; any case matches; Escape clears.
    QTest::keyClick(w.get(), Qt::Key_F, Qt::ControlModifier);
    auto *box = w->findChild<QLineEdit *>("filter_tab_saleout");
    QTRY_VERIFY(box->hasFocus());
    QTest::keyClicks(box, "t");
    QCOMPARE(shown(sale), QStringList{"T恤"});
    QCOMPARE(total->text(), QString("10"));
    QTest::keyClick(box, Qt::Key_Escape);
    QCOMPARE(shown(sale), names);

    // A title click sorts numbers by value, the next reverses; edits still
    // save their own row, and filtered rows stay hidden through a sort.
    QHeaderView *header = sale->horizontalHeader();
    auto clickTitle = [header](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 4, 4));
    };
    clickTitle(9);
    QCOMPARE(shown(sale), (QStringList{"长裤", "衬衫", "T恤"}));
    clickTitle(9);
    QCOMPARE(shown(sale), (QStringList{"T恤", "衬衫", "长裤"}));
    Type(sale, 2, 18, "改");
    QCOMPARE(StoredGoodsOf(GoodsKind::Sale).at(2).remark, QString("改"));
    box->setText("衬");
    clickTitle(9);
    QCOMPARE(shown(sale), QStringList{"衬衫"});
    QCOMPARE(total->text(), QString("9"));
}

void TestLedgerWindow::exitBackupFinishesBeforeTheProgramEnds()
{
    TempStore store;
    for (int i = 0; i < 200; ++i)
        StoreDbAccess::Instance()->SaveGoodsRow(MakeGoods(GoodsKind::Loss, QString::number(i), Today()));
    BoxAnswers answers("直接退出");
    const QString folder = store.dir.filePath("out");
    QVERIFY(QDir().mkpath(folder));
    auto w = MakeWindow(2);
    QTRY_COMPARE(RowsOf(w->Table("tab_storelose")), 200);
    w->Ledger()->SetBackupFolder(folder);
    w->show();
    w->close();
    w->WaitForBackup();
    // The backup, and the change log beside it as record_<stamp>_history.sql.
    const QStringList files =
        QDir(folder).entryList({"record_*.sql"}).filter(QRegularExpression("\\d\\.sql$"));
    QCOMPARE(files.size(), 1);
    QFile file(QDir(folder).filePath(files.first()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().count('\n'), 200);
    QVERIFY(!answers.seen.contains("提示|备份完成"));
}

void TestLedgerWindow::addStoresAnEmptyRowOfThePageKind_data()
{
    QTest::addColumn<QString>("button");
    for (const LedgerKinds::PageKind &p : LedgerKinds::Pages()) {
        if (p.IsStored())
            QTest::newRow(qPrintable(p.addButton)) << p.addButton;
    }
}

// Two rows added at once get serials of their own: neither overwrites the other.
void TestLedgerWindow::addStoresAnEmptyRowOfThePageKind()
{
    QFETCH(QString, button);
    TempStore store;
    PagesWindow w;
    const LedgerKinds::PageKind *page = LedgerKinds::FindByWidget(button);
    QTableView *t = w.Table(page->tableName);
    w.pages->ActionAdd(Page(button));
    w.pages->ActionAdd(Page(button));
    QCOMPARE(RowsOf(t), 2);
    const bool goods = page->group == LedgerKinds::Group::Goods;
    const QStringList serials =
        goods ? SerialsOf(StoredGoodsOf(page->kind)) : SerialsOf(StoredFinanceOf(page->kind));
    QCOMPARE(serials, (QStringList{Cell(t, 0, 0), Cell(t, 1, 0)}));
    QCOMPARE(goods ? StoredGoodsOf(page->kind).at(1).time : StoredFinanceOf(page->kind).at(1).time, Today());
    // Nothing lands under another kind.
    QCOMPARE(StoredGoodsOf().size() + StoredFinanceOf().size(), 2);
}

void TestLedgerWindow::editSavedAtOnceAndLoadedAgain()
{
    TempStore store;
    StoreDbAccess *s = StoreDbAccess::Instance();
    const QString yesterday = QDate::currentDate().addDays(-1).toString("yyyy-MM-dd");
    QVERIFY(s->SaveGoodsRow(MakeGoods(0, "a", Today())));
    QVERIFY(s->SaveGoodsRow(MakeGoods(0, "b", yesterday)));
    QVERIFY(s->SaveFinanceRow(MakeFinance(6, "d", Today())));
    QVERIFY(s->SaveFinanceRow(MakeFinance(6, "e", yesterday)));
    PagesWindow w;
    QTableView *t = w.Table("tab_saleout");
    w.pages->ActionAdd(Page("btn_puradd_3"));
    Type(t, 0, 9, "3");
    Type(t, 0, 10, "2.5");
    Type(t, 0, 18, "备注 'quoted'");
    const GoodsRecord saved = StoredGoodsOf(GoodsKind::Sale).value(0);
    QCOMPARE(Amounts(saved), QString("3|2.5|7.5|0|7.5"));
    QCOMPARE(saved.remark, QString("备注 'quoted'"));

    // The start-up load shows today's rows and saves nothing back.
    PagesWindow again;
    QVERIFY(again.Load());
    QTableView *t2 = again.Table("tab_saleout");
    QCOMPARE(RowsOf(t2), 1);
    QCOMPARE(Cell(t2, 0, 0), saved.serial);
    QCOMPARE(Cell(t2, 0, 18), saved.remark);
    QCOMPARE(again.Edit("lineEdit_d_3"), QString("7.5"));
    QCOMPARE(RowsOf(again.Table("tab_purchaseIn")), 1);
    QCOMPARE(again.Edit("lineEdit_ft_7"), QString("12.5"));
    QVERIFY(!again.pages->fillingTables());
    QCOMPARE(StoredGoodsOf(0), (GoodsList{MakeGoods(0, "a", Today()), MakeGoods(0, "b", yesterday)}));
}

void TestLedgerWindow::editorsSaveTheirOwnRow()
{
    TempStore store;
    BoxAnswers answers;
    PagesWindow w;
    QTableView *t = w.Table("tab_purchaseIn");
    for (int i = 0; i < 3; ++i)
        w.pages->ActionAdd(Page("btn_puradd"));
    const QString third = Cell(t, 2, 0);
    SetCurrent(t, 0, 5);
    w.pages->ActionDelete(Page("btn_purdel"));
    OpenEditor<QDateEdit>(t, 1, 7)->setDate(QDate(2022, 1, 2));
    // Opening an editor is no change: nothing is saved for it.
    OpenEditor<QComboBox>(t, 0, 3);
    OpenEditor<QDateEdit>(t, 0, 7);

    // An editor open while a row above it goes away still edits its own row.
    auto *name = OpenEditor<QComboBox>(t, 1, 2);
    QVERIFY(w.Model("tab_purchaseIn")->RemoveRow(0));
    name->setEditText("第三行的商品");
    const GoodsList rows = StoredGoodsOf(GoodsKind::PurchaseIn);
    QCOMPARE(SerialsOf(rows), (QStringList{third}));
    QCOMPARE(rows.at(0).name + "|" + rows.at(0).time, QString("第三行的商品|2022-01-02"));
}

void TestLedgerWindow::deleteAsksAndRemovesOnlyTheCurrentRow()
{
    TempStore store;
    BoxAnswers answers("取消");
    PagesWindow w;
    QTableView *t = w.Table("tab_debt");
    w.pages->ActionAdd(Page("btn_finadd_2"));
    w.pages->ActionAdd(Page("btn_finadd_2"));
    t->selectAll();
    SetCurrent(t, 1, 2, QItemSelectionModel::NoUpdate);
    const QString kept = Cell(t, 0, 0);
    w.pages->ActionDelete(Page("btn_findel_2"));
    QCOMPARE(answers.seen, QStringList{"删除告警|删除或还原数据请慎重,确认?"});
    QCOMPARE(StoredFinanceOf(1).size(), 2);
    answers.Click("确认");
    w.pages->ActionDelete(Page("btn_findel_2"));
    QCOMPARE(RowsOf(t), 1);
    QCOMPARE(SerialsOf(StoredFinanceOf(1)), QStringList{kept});
    SetCurrent(t, -1, -1);
    w.pages->ActionDelete(Page("btn_findel_2"));
    QCOMPARE(answers.seen.last(), QString("warning|请选中相应行"));
    QCOMPARE(StoredFinanceOf(1).size(), 1);
}

void TestLedgerWindow::clearNeedsConfirmationAndLogin()
{
    TempStore store;
    PagesWindow w;
    w.pages->ActionAdd(Page("btn_finadd_5"));
    w.pages->ActionAdd(Page("btn_finadd_5"));
    w.pages->ActionAdd(Page("btn_finadd_6")); // another kind is never touched
    int logins = 0;
    w.pages->SetRelogin([&] { return ++logins > 1; });
    BoxAnswers answers("取消");
    // Cancelled, then the login refused, then both accepted.
    const struct
    {
        const char *click;
        int left;
    } steps[] = {{"取消", 2}, {"确认", 2}, {"确认", 0}};
    for (const auto &step : steps) {
        answers.Click(step.click);
        w.pages->ActionClear(Page("btn_finclr_5"));
        QCOMPARE(StoredFinanceOf(FinanceKind::Salaries).size(), step.left);
        QCOMPARE(RowsOf(w.Table("tab_salary")), step.left);
    }
    QCOMPARE(logins, 2);
    QCOMPARE(StoredFinanceOf(FinanceKind::UtilitiesRent).size(), 1);
}

void TestLedgerWindow::failedSaveMarksTheRowAndSaysWhy()
{
    TempStore store;
    REQUIRE_DB(store);
    BoxAnswers answers;
    PagesWindow w;
    QStringList status;
    w.pages->SetStatusSink([&](const QString &text) { status << text; });
    QTableView *t = w.Table("tab_income");
    w.pages->ActionAdd(Page("btn_finadd_1"));
    const auto red = [t](int column) { return CellData(t, 0, column, Qt::BackgroundRole).isValid(); };
    QVERIFY(TempStore::Exec(store.Pg() ? "set default_transaction_read_only = on" : "pragma query_only = 1"));
    Type(t, 0, 2, "12");
    Type(t, 0, 2, "13");
    QCOMPARE(StoredFinanceOf(0).at(0).sum, QString());
    for (int column = 0; column < t->model()->columnCount(); ++column)
        QVERIFY2(red(column), qPrintable(QString::number(column)));
    QVERIFY2(status.last().startsWith("保存失败：") && status.last().size() > 5, qPrintable(status.last()));
    // One box for the first failure; the rest go to the status line.
    QCOMPARE(answers.seen.size(), 1);
    QVERIFY(answers.seen.at(0).startsWith("保存失败|保存失败："));

    QVERIFY(
        TempStore::Exec(store.Pg() ? "set default_transaction_read_only = off" : "pragma query_only = 0"));
    Type(t, 0, 2, "14");
    QCOMPARE(StoredFinanceOf(0).at(0).sum, QString("14"));
    QVERIFY(!red(2) && !red(0));
}

void TestLedgerWindow::typedAmountLeadsItsRow()
{
    TempStore store;
    BoxAnswers answers;
    PagesWindow w;
    w.show();
    QTableView *t = w.Table("tab_purchaseIn");
    w.pages->ActionAdd(Page("btn_puradd"));
    const auto stored = [](int i) { return Amounts(StoredGoodsOf(0).at(i)); };
    const struct
    {
        int column;
        const char *text, *amounts;
    } steps[] = {
        {9, "20", nullptr},        {10, "3", "20|3|60|0|60"},     {12, "50", "20|3|60|50|10"},
        {13, "5", "20|3|60|55|5"}, {11, "100", "20|5|100|55|45"}, {9, "10", "10|5|50|55|-5"},
    };
    for (const auto &s : steps) {
        Keys(t, 0, s.column, s.text);
        if (s.amounts)
            QCOMPARE(stored(0), QString(s.amounts));
    }
    QCOMPARE(w.Edit("lineEdit_d_1"), QString("-5"));
    QVERIFY(answers.seen.isEmpty());

    // A refused amount is emptied with a word and the row derived from the
    // rest; blanks only are refused as well, an emptied cell silently.
    w.pages->ActionAdd(Page("btn_puradd"));
    Keys(t, 1, 11, "100");
    Keys(t, 1, 13, "70");
    Keys(t, 1, 12, "xyz");
    QCOMPARE(answers.seen, QStringList{"输入错误|请输入数字"});
    QCOMPARE(Cell(t, 1, 12), QString("30"));
    Keys(t, 1, 9, "   ");
    QCOMPARE(answers.seen.size(), 2);
    QCOMPARE(Cell(t, 1, 9), QString());
    Keys(t, 1, 13, "");
    QCOMPARE(answers.seen.size(), 2);
    QCOMPARE(stored(1), QString("||100|100|0"));
}

void TestLedgerWindow::computedPagesAreReadOnlyAndTotalled()
{
    TempStore store;
    PagesWindow w;
    GoodsRecord a = MakeGoods(GoodsKind::PurchaseIn, "s1", "2024-05-01");
    a.num = "2";
    a.price = "3";
    a.total = "";
    a.pay = "";
    a.debt = "";
    GoodsRecord b = a;
    b.serial = "s2";
    b.total = "4";
    FinanceRecord income = MakeFinance(0, "i", Today());
    income.sum = "300";
    FinanceRecord expense = MakeFinance(6, "e", Today());
    expense.sum = "67.75";
    FinanceList profit;
    Profit::ComputeProfit({income, expense}, profit);
    for (const LedgerKinds::PageKind &page : LedgerKinds::Pages()) {
        if (!page.IsComputed())
            continue;
        QTableView *t = w.Table(page.tableName);
        if (page.group == LedgerKinds::Group::Finance)
            w.pages->ShowFinanceRows(Page(t), profit);
        else
            w.pages->ShowGoodsRows(Page(t), GoodsList{a, b});
        QCoreApplication::processEvents();
        for (int r = 0; r < RowsOf(t); ++r) {
            for (int c = 0; c < t->model()->columnCount(); ++c)
                QVERIFY2(!(t->model()->index(r, c).flags() & Qt::ItemIsEditable), qPrintable(page.tableName));
        }
        QVERIFY2(!OpenEditor<QWidget>(t, 0, 1), qPrintable(page.tableName));
    }
    w.pages->TotalProcess(Page("btn_total_6"));
    QCOMPARE(w.Edit("lineEdit_t_6") + "|" + w.Edit("lineEdit_p_6") + "|" + w.Edit("lineEdit_d_6"),
             QString("10|0|0"));
    QCOMPARE(Cell(w.Table("tab_storeCurr"), 0, 11), QString("6"));
    // The profit page's total is its operating profit, not income + expenses + profit.
    w.pages->TotalProcess(Page("btn_ft_8"));
    QCOMPARE(w.Edit("lineEdit_ft_8"), QString("232.25"));
    QCOMPARE(Cell(w.Table("tab_profit"), 0, 0), QString());
    QCOMPARE(StoredGoodsOf().size() + StoredFinanceOf().size(), 0);

    // On a stored page the derived total is saved with its row.
    QVERIFY(StoreDbAccess::Instance()->SaveGoodsRow(a));
    w.pages->ShowGoodsRows(Page(w.Table("tab_purchaseIn")), GoodsList{a});
    w.pages->TotalProcess(Page("btn_total_1"));
    QCOMPARE(w.Edit("lineEdit_t_1"), QString("6"));
    QCOMPARE(Amounts(StoredGoodsOf(0).at(0)), QString("2|3|6|0|6"));
}

void TestLedgerWindow::badStoredDateIsShownButNotRewritten()
{
    TempStore store;
    GoodsRecord r = MakeGoods(GoodsKind::Sale, "2024-01-01 00:00:00:000", "05.03.2024");
    r.num = "1";
    r.price = "2";
    r.total = "2";
    r.pay = "0";
    r.debt = "2";
    QVERIFY(StoreDbAccess::Instance()->SaveGoodsRow(r));
    PagesWindow w;
    QTableView *t = w.Table("tab_saleout");
    w.pages->ShowGoodsRows(Page(t), GoodsList{r});
    QCOMPARE(Cell(t, 0, 7), QString("2000-01-01"));
    w.pages->ComputePageTotals(Page("btn_total_3"));
    QCOMPARE(StoredGoodsOf(GoodsKind::Sale).at(0).time, QString("05.03.2024"));
    Type(t, 0, 16, "NO-1");
    QCOMPARE(StoredGoodsOf(GoodsKind::Sale).at(0).time, QString("2000-01-01"));
}

void TestLedgerWindow::typeAheadListUnderTheCellTakesItsKeys()
{
    TempStore store;
    PagesWindow w;
    auto *list = new ItemListWidget;
    w.pages->editing()->SetTypeAhead([&](QComboBox *box) { list->ComboChangeProcess(box, &w); },
                                     [&] { list->hide(); }, [&] { return list->isVisible(); });
    w.resize(900, 1400);
    w.show();
    QTableView *t = w.Table("tab_income");
    w.pages->ActionAdd(Page("btn_finadd_1"));
    auto *items = OpenEditor<QComboBox>(t, 0, 1);
    QVERIFY(items && items->lineEdit());
    QLineEdit *field = items->lineEdit();
    const QStringList sales = CellLayout::FinanceItems().filter("销售");
    QVERIFY(sales.size() > 2);
    // Typed key by key as a keyboard does: no inline completion narrows the list.
    auto type = [&field](const QString &text) {
        field->selectAll();
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
    };
    type("销售");
    QCOMPARE(field->text(), QString("销售"));
    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown << list->item(i)->text();
    QCOMPARE(shown, sales);
    // Directly under the cell's box (or above it where there is no room), inside the window.
    const QPoint corner = items->mapTo(&w, QPoint(0, 0));
    QCOMPARE(list->x(), corner.x());
    QVERIFY(list->y() == corner.y() + items->height() || list->geometry().bottom() + 1 == corner.y());
    QVERIFY(w.rect().contains(list->geometry()));

    // Escape closes the list only: the text and the editor stay.
    // Keys go to the box, which holds the focus for its text field (the field's focus proxy).
    QCOMPARE(field->focusProxy(), items);
    QTest::keyClick(items, Qt::Key_Escape);
    QVERIFY(!list->isVisible());
    QCOMPARE(field->text(), QString("销售"));
    QCOMPARE(t->indexWidget(t->model()->index(0, 1)), items);

    type("销售");
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up})
        QTest::keyClick(items, key);
    QCOMPARE(field->text(), QString("销售"));
    QTest::keyClick(items, Qt::Key_Return);
    QVERIFY(!list->isVisible());
    // The first match is highlighted when the list opens; down stops at the last.
    QCOMPARE(items->currentText(), sales.at(qMin(3, int(sales.size()) - 1) - 1));
    QCOMPARE(StoredFinanceOf(0).at(0).item, sales.at(qMin(3, int(sales.size()) - 1) - 1));

    // Tab takes the highlighted entry too, and moves one cell on, not two.
    t->setCurrentIndex(t->model()->index(0, 1));
    items = OpenEditor<QComboBox>(t, 0, 1);
    QVERIFY(items && items->lineEdit());
    field = items->lineEdit();
    type("工资");
    QVERIFY(list->isVisible());
    QTest::keyClick(items, Qt::Key_Tab);
    QCOMPARE(StoredFinanceOf(0).at(0).item, QString("工资款"));
    QCOMPARE(t->currentIndex().column(), 2);
}

// Keys go where the user's keyboard sends them: to whatever has the focus.
void Press(Qt::Key key, const QString &text = QString())
{
    QWidget *focus = QApplication::focusWidget();
    QVERIFY(focus);
    QTest::sendKeyEvent(QTest::Click, focus, key, text, Qt::NoModifier);
    QCoreApplication::processEvents();
}

void TestLedgerWindow::saleRowInSixKeys()
{
    TempStore store;
    GoodsRecord bought = MakeGoods(GoodsKind::PurchaseIn, "2024-01-01 08:00:00:000", "2024-01-01", "A");
    bought.code = "C1";
    bought.color = "红";
    bought.num = "10";
    bought.price = "3";
    GoodsRecord sold = MakeGoods(GoodsKind::Sale, "2024-01-02 08:00:00:000",
                                 QDate::currentDate().addDays(-1).toString("yyyy-MM-dd"), "A");
    sold.code = "C1";
    sold.color = "红";
    sold.price = "5";
    sold.store = "3-A-1";
    QVERIFY(StoreDbAccess::Instance()->SaveGoodsRow(bought) && StoreDbAccess::Instance()->SaveGoodsRow(sold));
    BoxAnswers answers;
    QTableView *sale = nullptr;
    auto w = SalePageWindow(&sale);
    QVERIFY(w);
    QCOMPARE(RowsOf(sale), 0);
    QTest::mouseClick(sale->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));

    Press(Qt::Key_Insert);
    Press(Qt::Key_C, "C");
    Press(Qt::Key_1, "1");
    Press(Qt::Key_Tab);
    Press(Qt::Key_3, "3");
    Press(Qt::Key_Return);

    const GoodsList rows = StoredGoodsOf(GoodsKind::Sale);
    GoodsList today;
    for (const GoodsRecord &r : rows) {
        if (r.code == "C1" && r.time == Today())
            today << r;
    }
    QCOMPARE(today.size(), 1);
    const GoodsRecord &r = today.at(0);
    QCOMPARE(QStringList({r.model, r.color, r.store, r.num, r.price, r.total, r.debt, r.supply, r.purchase}),
             QStringList({"A", "红", "3-A-1", "3", "5", "15", "15", "", ""}));
    // Enter on the last row opened the next one, its cursor in the code column.
    QCOMPARE(RowsOf(sale), 2);
    QCOMPARE(sale->currentIndex().row() * 100 + sale->currentIndex().column(), 100 + 5);
    QVERIFY(answers.seen.isEmpty());
}

void TestLedgerWindow::datesTypedAsDigits()
{
    TempStore store;
    BoxAnswers answers;
    PagesWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTableView *t = w.Table("tab_saleout");
    w.pages->ActionAdd(Page(t));
    t->setFocus();
    const QString thisYear = QString::number(QDate::currentDate().year());
    // Typed on the selected date cell, committed with Enter; a text that is no day is refused.
    const struct
    {
        const char *typed;
        QString stored;
        int boxes;
    } steps[] = {
        {"1201", thisYear + "-12-01", 0}, {"20240229", "2024-02-29", 0}, {"2023-2-29", "2024-02-29", 1}};
    for (const auto &step : steps) {
        SetCurrent(t, 0, 7);
        for (const QChar c : QString(step.typed))
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        QWidget *editor = QApplication::focusWidget();
        QVERIFY(qobject_cast<QLineEdit *>(editor));
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(StoredGoodsOf(GoodsKind::Sale).at(0).time, step.stored);
        QCOMPARE(answers.seen.size(), step.boxes);
    }
}

// Beside its buttons each page says which rows it holds; a long cell is read whole.
void TestLedgerWindow::pagesSayWhatTheyShow()
{
    TempStore store;
    BoxAnswers answers;
    GoodsRecord old = MakeGoods(GoodsKind::PurchaseIn, "2024-01-01 08:00:00:000", "2024-01-01");
    old.remark = QString(30000, QChar(0x5907)); // 30,000 characters
    QVERIFY(StoreDbAccess::Instance()->SaveGoodsRow(old));
    auto w = MakeWindow(1);
    const auto caption = [&w](const char *table) {
        return w->findChild<QLabel *>(QStringLiteral("shown_") + table)->text();
    };
    QTRY_COMPARE(caption("tab_purchaseIn"), QStringLiteral("今天 %1，0 行").arg(Today()));
    QCOMPARE(caption("tab_storeCurr"), QStringLiteral("点击查询…"));
    w->findChild<QPushButton *>("btn_puradd")->click();
    QCOMPARE(caption("tab_purchaseIn"), QStringLiteral("今天 %1，1 行").arg(Today()));

    w->findChild<QPushButton *>("btn_purquery")->click();
    QVERIFY(w->QueryDialog()->isVisible());
    w->StatusLabel()->clear();
    w->QueryDialog()->findChild<QPushButton *>("btn_all")->click();
    QTRY_VERIFY(w->StatusLabel()->text().endsWith(QStringLiteral("当前查询完成！")));
    QCOMPARE(caption("tab_purchaseIn"), QStringLiteral("全部记录，2 行"));

    // The whole text of the long remark, through the viewer.
    QTableView *t = w->Table("tab_purchaseIn");
    int row = 0;
    while (row < RowsOf(t) && Cell(t, row, 0) != old.serial)
        ++row;
    w->Ledger()->TabCellShowText(t->model()->index(row, 18));
    const QList<DialogShowText *> viewers = w->findChildren<DialogShowText *>();
    QCOMPARE(viewers.size(), 1);
    QCOMPARE(viewers.at(0)->windowTitle(), QStringLiteral("选中内容"));
    QCOMPARE(viewers.at(0)->text(), old.remark);
}

void TestLedgerWindow::tabWalksTheEditableCells_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("back");
    QTest::addColumn<int>("to");        // row * 100 + column
    QTest::addColumn<QString>("model"); // typed into the row's 商品型号 first
    QTest::newRow("over the warehouse") << "tab_purchaseIn" << 7 << false << 9 << "";
    QTest::newRow("back over it") << "tab_purchaseIn" << 9 << true << 7 << "";
    QTest::newRow("last cell to the next row") << "tab_purchaseIn" << 18 << false << 101 << "";
    QTest::newRow("first cell back to the row above") << "tab_income" << 101 << true << 8 << "";
    QTest::newRow("past the last row adds one") << "tab_income" << 108 << false << 201 << "";
    // A code nothing was filled from: its size is still to be typed.
    QTest::newRow("new article's code") << "tab_purchaseIn" << 5 << false << 6 << "B2";
}

void TestLedgerWindow::tabWalksTheEditableCells()
{
    QFETCH(QString, table);
    QFETCH(int, from);
    QFETCH(bool, back);
    QFETCH(int, to);
    QFETCH(QString, model);
    TempStore store;
    PagesWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTableView *t = w.Table(table);
    w.pages->ActionAdd(Page(t));
    w.pages->ActionAdd(Page(t));
    if (!model.isEmpty())
        Type(t, from / 100, 3, model);
    t->setFocus();
    SetCurrent(t, from / 100, from % 100);
    QTest::keyClick(t, back ? Qt::Key_Backtab : Qt::Key_Tab, back ? Qt::ShiftModifier : Qt::NoModifier);
    QCOMPARE(t->currentIndex().row() * 100 + t->currentIndex().column(), to);
    QCOMPARE(RowsOf(t), to >= 200 ? 3 : 2);
}

void TestLedgerWindow::goodsCodeFillsOnlyEmptyCells()
{
    TempStore store;
    PagesWindow w;
    w.show();
    QTableView *in = w.Table("tab_purchaseIn");
    QTableView *sale = w.Table("tab_saleout");
    w.pages->ActionAdd(Page("btn_puradd"));
    const QStringList bought{"类A", "名N", "M1", "红", "C1", "大"};
    for (int c = 1; c <= 6; ++c)
        Type(in, 0, c, bought.at(c - 1));
    Type(in, 0, 10, "10");
    // A typed cell stays: this sale has a price of its own.
    w.pages->ActionAdd(Page("btn_puradd_3"));
    Type(sale, 0, 10, "15");
    Keys(sale, 0, 5, "C1");
    for (int c = 1; c <= 6; ++c)
        QCOMPARE(Cell(sale, 0, c), bought.at(c - 1));
    QCOMPARE(StoredGoodsOf(GoodsKind::Sale).at(0).price, QString("15"));
    // Bought again at another price: the next sale is priced as the last sale was.
    w.pages->ActionAdd(Page("btn_puradd"));
    Type(in, 1, 10, "12");
    Keys(in, 1, 5, "C1");
    w.pages->ActionAdd(Page("btn_puradd_3"));
    Type(sale, 1, 2, "自填");
    Keys(sale, 1, 5, "C1");
    QCOMPARE(Cell(sale, 1, 2) + Cell(sale, 1, 3), QString("自填M1"));
    QCOMPARE(StoredGoodsOf(GoodsKind::Sale).at(1).price, QString("15"));
    QCOMPARE(StoredGoodsOf(GoodsKind::PurchaseIn).at(1).model, QString("M1"));
    w.pages->ActionAdd(Page("btn_puradd_3"));
    Keys(sale, 2, 5, "X9");
    QCOMPARE(Cell(sale, 2, 3), QString());
    QCOMPARE(StoredGoodsOf(GoodsKind::Sale).at(2).code, QString("X9"));
}

void TestLedgerWindow::saleBeyondStockWarnsButSaves()
{
    TempStore store;
    PagesWindow w;
    QStringList status;
    w.pages->SetStatusSink([&](const QString &text) { status << text; });
    const auto article = [&w](const QString &table, const QString &button, const QString &num) {
        QTableView *t = w.Table(table);
        w.pages->ActionAdd(Page(button));
        const int row = RowsOf(t) - 1;
        Type(t, row, 3, "M1");
        Type(t, row, 4, "红");
        Type(t, row, 8, "仓1");
        Type(t, row, 9, num);
        return qMakePair(t, row);
    };
    const auto marked = [](QPair<QTableView *, int> cell) {
        return CellData(cell.first, cell.second, 9, Qt::BackgroundRole).isValid();
    };
    article("tab_purchaseIn", "btn_puradd", "5");
    QVERIFY(!marked(article("tab_saleout", "btn_puradd_3", "3")));
    const auto back = article("tab_purchaseBack", "btn_puradd_2", "4");
    QVERIFY(marked(back));
    QCOMPARE(status.last(), QString("库存不足：M1 红 现有 2"));
    QCOMPARE(StoredGoodsOf(GoodsKind::PurchaseReturn).at(0).num, QString("4"));
    Type(back.first, back.second, 9, "2");
    QVERIFY(!marked(back));
    QVERIFY(marked(article("tab_storelose", "btn_puradd_5", "1")));
    QCOMPARE(StoredGoodsOf(GoodsKind::Loss).size(), 1);
}

void TestLedgerWindow::dateModes_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("fromShown");
    QTest::newRow("date") << "radioButton" << 1 << false;
    QTest::newRow("month") << "radioButton_2" << 2 << false;
    QTest::newRow("period") << "radioButton_4" << 4 << true;
    QTest::newRow("all time") << "radioButton_5" << 5 << false;
}

void TestLedgerWindow::dateModes()
{
    QFETCH(QString, radio);
    QFETCH(int, mode);
    QFETCH(bool, fromShown);
    DialogQuery dialog;
    auto *from = dialog.findChild<QDateEdit *>("dateEdit");
    QVERIFY(from->isHidden());
    QCOMPARE(dialog.Request().dateFrom + dialog.Request().dateTo, Today() + Today());
    // From the period first, so every mode has to hide the from-date again.
    dialog.findChild<QRadioButton *>("radioButton_4")->click();
    dialog.findChild<QRadioButton *>(radio)->click();
    QCOMPARE(dialog.Request().dateMode, mode);
    QCOMPARE(!from->isHidden(), fromShown);
    from->setDate(QDate(2023, 12, 31));
    dialog.findChild<QDateEdit *>("dateEdit_2")->setDate(QDate(2024, 2, 29));
    QCOMPARE(dialog.Request().dateFrom + "|" + dialog.Request().dateTo, QString("2023-12-31|2024-02-29"));
}

void TestLedgerWindow::queryButtons()
{
    DialogQuery dialog;
    QSignalSpy asked(&dialog, &DialogQuery::sendQueryCmd);
    QueryRequest seen; // read while the signal runs
    connect(&dialog, &DialogQuery::sendQueryCmd, this, [&] { seen = dialog.Request(); });
    const auto click = [&dialog](const char *name) { dialog.findChild<QAbstractButton *>(name)->click(); };
    dialog.show();
    click("radioButton_2");
    click("btn_query");
    QVERIFY(dialog.isVisible() && !seen.noContentFilter && seen.dateMode == 2);
    // "全部记录": all time, no conditions; the next query keeps all time but uses the conditions again.
    click("btn_all");
    QVERIFY(seen.noContentFilter && seen.dateMode == 5 && dialog.isHidden());
    dialog.show();
    click("btn_query");
    QVERIFY(!seen.noContentFilter && seen.dateMode == 5);
    click("btn_cancel");
    QVERIFY(dialog.isHidden());
    QCOMPARE(asked.size(), 3);

    // A clear button empties its own page's conditions only.
    const QVector<QueryFilter::ConditionField> *pages[] = {
        &QueryFilter::GoodsFields(), &QueryFilter::SalesFields(), &QueryFilter::FinanceFields()};
    for (const auto *fields : pages)
        for (const QueryFilter::ConditionField &f : *fields)
            QVERIFY(dialog.SetCondition(f.widget, "x"));
    click("btn_clrcont_2");
    for (int g = 0; g < 3; ++g)
        QCOMPARE(dialog.Conditions(*pages[g]).join(QString()),
                 g == 1 ? QString() : QString(pages[g]->size(), 'x'));
}

// The texts of a cell's menu, after choosing the entry pick (when given).
QStringList CellMenu(QTableView *t, int row, int column, const QString &pick = QString())
{
    QStringList texts;
    QTimer::singleShot(0, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction *a : menu->actions()) {
            texts << a->text();
            if (a->text() == pick)
                menu->setActiveAction(a);
        }
        QTest::keyClick(menu, pick.isEmpty() ? Qt::Key_Escape : Qt::Key_Return);
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, t->visualRect(t->model()->index(row, column)).center());
    QApplication::sendEvent(t->viewport(), &event);
    return texts;
}

void TestLedgerWindow::unlistedNameJoinsItsListFromTheCellMenu()
{
    TempStore store;
    GoodsRecord sold = MakeGoods(GoodsKind::Sale, "2024-01-02 08:00:00:000", Today(), "A");
    FinanceRecord paid = MakeFinance(FinanceKind::Income, "2024-01-02 08:00:00:000", Today());
    sold.supply = paid.client = "新客户";
    QVERIFY(StoreDbAccess::Instance()->SaveGoodsRow(sold) && StoreDbAccess::Instance()->SaveFinanceRow(paid));
    BoxAnswers answers;
    QTableView *sale = nullptr;
    auto w = SalePageWindow(&sale);
    QVERIFY(w);
    QCOMPARE(CellData(sale, 0, 14, Qt::ToolTipRole).toString(), QString("不在名单中"));
    QVERIFY(CellData(w->Table("tab_income"), 0, 4, LedgerModel::NotListedRole).toBool());
    QVERIFY(!CellMenu(sale, 0, 2).contains("加入名单"));
    QVERIFY(CellMenu(sale, 0, 14, "加入名单").contains("加入名单"));
    // Stored as the people dialog stores a row typed into it: the name, the other fields empty.
    InfoList customers{ListNo::Customers, QString()};
    QVERIFY(StoreDbAccess::Instance()->ReadInfoList(InfoStore::People, customers));
    QCOMPARE(ListCodec::Decode(customers.list),
             QList<QStringList>{QStringList("新客户") + QVector<QString>(8).toList()});
    QCOMPARE(w->findChild<QTableWidget *>("tableWidget_3")->item(0, 1)->text(), QString("新客户"));
    // Plain on every page, the entry gone, the rows untouched.
    QVERIFY(!CellData(sale, 0, 14, Qt::ToolTipRole).isValid());
    QVERIFY(!CellData(w->Table("tab_income"), 0, 4, LedgerModel::NotListedRole).toBool());
    QVERIFY(!CellMenu(sale, 0, 14).contains("加入名单"));
    QCOMPARE(StoredGoodsOf(GoodsKind::Sale).at(0).supply, QString("新客户"));
    QVERIFY(answers.seen.isEmpty());
}

// Tab passes over the warehouse; on it (arrow keys), F2 or Space open its picker.
void TestLedgerWindow::warehousePickerFromTheKeyboard()
{
    TempStore store;
    PagesWindow w;
    QStringList opened;
    w.pages->editing()->SetWarehousePicker(
        [&](LedgerModel *, int row, int column) { opened << QStringLiteral("%1,%2").arg(row).arg(column); });
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTableView *t = w.Table("tab_purchaseIn");
    w.pages->ActionAdd(Page(t));
    w.pages->ActionAdd(Page(t));
    t->setFocus();
    for (int column : {8, 0}) {
        for (Qt::Key key : {Qt::Key_F2, Qt::Key_Space}) {
            SetCurrent(t, 1, column);
            QTest::keyClick(t, key);
        }
    }
    QCOMPARE(opened, QStringList({"1,8", "1,8"}));
}

QTEST_MAIN(TestLedgerWindow)
#include "test_ledgerwindow.moc"
