#include "ledgertestsupport.h"
#include "storetestsupport.h"

#include "analytics/profit.h"
#include "ledger/ledgerrows.h"
#include "masterdata/itemlistwidget.h"

#include <QComboBox>
#include <QDateEdit>
#include <QSqlQuery>
#include <QRandomGenerator>
#include <QtTest>

namespace {

GoodsList StoredGoods(int kind)
{
    GoodsList rows;
    StoreDbAccess::Instance()->QueryGoods(5, kind, QString(), QString(), rows);
    return rows;
}

FinanceList StoredFinance(int kind)
{
    FinanceList rows;
    StoreDbAccess::Instance()->QueryFinance(5, kind, QString(), QString(), rows);
    return rows;
}

QString Today()
{
    return QDate::currentDate().toString("yyyy-MM-dd");
}

void Type(QTableWidget *t, int row, int column, const QString &text)
{
    t->item(row, column)->setText(text);
}

// Types into a cell through the table's own editor, as the user does: open it,
// replace its text, press Enter.
void Keys(QTableWidget *t, int row, int column, const QString &text)
{
    t->setCurrentCell(row, column);
    t->editItem(t->item(row, column));
    QLineEdit *editor = nullptr;
    for (QLineEdit *e : t->viewport()->findChildren<QLineEdit *>()) {
        if (e->parentWidget() == t->viewport() && e->isVisible())
            editor = e;
    }
    QVERIFY(editor);
    editor->selectAll();
    if (text.isEmpty())
        QTest::keyClick(editor, Qt::Key_Delete);
    else
        QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The delegate commits on Enter through a queued call.
    QCoreApplication::processEvents();
}

// Columns 9-13 of a stored goods row joined as quantity|price|total|paid|unpaid.
QString Amounts(const GoodsRecord &r)
{
    return QStringList{r.num, r.price, r.total, r.pay, r.debt}.join('|');
}

} // namespace

class TestLedgerEditing : public QObject
{
    Q_OBJECT
private slots:
    void addStoresAnEmptyRowOfThePageKind_data();
    void addStoresAnEmptyRowOfThePageKind();
    void editSavedAtOnceAndFoundAfterReload();
    void comboAndDateEditsSaveTheirRow();
    void typeAheadListUnderTheCellTakesItsKeys();
    void editBelowADeletedRowSavesTheRightRow();
    void deleteAsksAndRemovesOnlyTheCurrentRow();
    void deleteWithoutCurrentRowWarns();
    void clearNeedsConfirmationAndLogin_data();
    void clearNeedsConfirmationAndLogin();
    void failedSaveMarksTheRowAndSaysWhy_data();
    void failedSaveMarksTheRowAndSaysWhy();
    void fillingTablesBlocksSaves();
    void lettersInANumberCell();
    void typedAmountLeadsItsRow();
    void computedPagesAreReadOnly();
    void badStoredDateIsShownButNotRewritten();
    void loadShowsTodaysRowsOnly();
    void totalsOfEveryPageStyle();
    void totalsAfterEditAddAndDelete();
    void derivedTotalOnAStoredPageIsSaved();
    void largeAmountsStayExact();
    void runningTotalsMatchARecount();
    void goodsCodeFillsOnlyEmptyCells();
    void saleBeyondStockWarnsButSaves();
};

void TestLedgerEditing::addStoresAnEmptyRowOfThePageKind_data()
{
    QTest::addColumn<QString>("button");
    for (const LedgerKinds::PageKind &p : LedgerKinds::Pages()) {
        if (p.IsStored())
            QTest::newRow(qPrintable(p.addButton)) << p.addButton;
    }
}

void TestLedgerEditing::addStoresAnEmptyRowOfThePageKind()
{
    QFETCH(QString, button);
    TempStore store;
    QVERIFY(store.connected);
    PagesWindow w;
    const LedgerKinds::PageKind *page = LedgerKinds::FindByWidget(button);
    QTableWidget *t = w.Table(page->tableName);
    w.pages->ActionAdd(button);
    w.pages->ActionAdd(button);
    QCOMPARE(t->rowCount(), 2);
    QVERIFY(!w.pages->fillingTables());
    const QString serial = t->item(1, 0)->text();
    if (page->group == LedgerKinds::Group::Goods) {
        const GoodsList rows = StoredGoods(page->kind);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(1).serial, serial);
        QCOMPARE(rows.at(1).time, Today());
        QCOMPARE(rows.at(1).name, QString());
        QCOMPARE(w.Edit(page->totalEdit), QString("0"));
    } else {
        const FinanceList rows = StoredFinance(page->kind);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(1).serial, serial);
        QCOMPARE(rows.at(1).time, Today());
        QCOMPARE(rows.at(1).item, QString());
    }
    // Nothing lands under another kind.
    int all = 0;
    for (int k = 0; k < GoodsKind::StoredCount; ++k)
        all += StoredGoods(k).size();
    for (int k = 0; k < FinanceKind::StoredCount; ++k)
        all += StoredFinance(k).size();
    QCOMPARE(all, 2);
}

void TestLedgerEditing::editSavedAtOnceAndFoundAfterReload()
{
    TempStore store;
    PagesWindow w;
    QTableWidget *t = w.Table("tab_saleout");
    w.pages->ActionAdd("btn_puradd_3");
    Type(t, 0, 9, "3");
    Type(t, 0, 10, "2.5");
    QCOMPARE(t->item(0, 11)->text(), QString("7.5"));
    QCOMPARE(t->item(0, 12)->text(), QString("0"));
    QCOMPARE(t->item(0, 13)->text(), QString("7.5"));
    Type(t, 0, 18, "备注 'quoted'");
    GoodsList rows = StoredGoods(GoodsKind::Sale);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.at(0).total, QString("7.5"));
    QCOMPARE(rows.at(0).debt, QString("7.5"));
    QCOMPARE(rows.at(0).remark, QString("备注 'quoted'"));

    PagesWindow again;
    QVERIFY(again.Load());
    QTableWidget *t2 = again.Table("tab_saleout");
    QCOMPARE(t2->rowCount(), 1);
    QCOMPARE(t2->item(0, 0)->text(), rows.at(0).serial);
    QCOMPARE(t2->item(0, 11)->text(), QString("7.5"));
    QCOMPARE(t2->item(0, 18)->text(), QString("备注 'quoted'"));
    QCOMPARE(again.Edit("lineEdit_t_3"), QString("7.5"));
    QCOMPARE(again.Edit("lineEdit_d_3"), QString("7.5"));
    QCOMPARE(again.Table("tab_purchaseIn")->rowCount(), 0);
    QCOMPARE(StoredGoods(GoodsKind::Sale).size(), 1);
}

void TestLedgerEditing::comboAndDateEditsSaveTheirRow()
{
    TempStore store;
    PagesWindow w;
    QTableWidget *t = w.Table("tab_income");
    w.pages->ActionAdd("btn_finadd_1");
    auto *items = OpenEditor<QComboBox>(t, 0, 1);
    QVERIFY(items);
    QCOMPARE(items->count(), 11);
    items->setCurrentIndex(2);
    QCOMPARE(StoredFinance(0).at(0).item, QString("销售提成"));
    OpenEditor<QComboBox>(t, 0, 4)->setEditText("新客户");
    QCOMPARE(StoredFinance(0).at(0).client, QString("新客户"));
    OpenEditor<QDateEdit>(t, 0, 3)->setDate(QDate(2023, 7, 9));
    QCOMPARE(StoredFinance(0).at(0).time, QString("2023-07-09"));
    // The cells hold what was chosen once the editors are gone.
    QCOMPARE(t->item(0, 1)->text(), QString("销售提成"));
    QCOMPARE(t->item(0, 4)->text(), QString("新客户"));
    // Opening an editor is no change: nothing is saved for it.
    const FinanceList before = StoredFinance(0);
    OpenEditor<QComboBox>(t, 0, 5);
    OpenEditor<QDateEdit>(t, 0, 3);
    QCOMPARE(StoredFinance(0), before);
}

void TestLedgerEditing::typeAheadListUnderTheCellTakesItsKeys()
{
    TempStore store;
    PagesWindow w;
    auto *list = new ItemListWidget;
    w.pages->SetTypeAhead([&](QComboBox *box) { list->ComboChangeProcess(box, &w); },
                          [&] { list->hide(); });
    w.resize(900, 1400);
    w.show();
    QTableWidget *t = w.Table("tab_income");
    w.pages->ActionAdd("btn_finadd_1");
    auto *items = OpenEditor<QComboBox>(t, 0, 1);
    QVERIFY(items && items->lineEdit());
    QLineEdit *field = items->lineEdit();
    QStringList sales;
    for (int i = 0; i < items->count(); ++i) {
        if (items->itemText(i).contains("销售"))
            sales << items->itemText(i);
    }
    QVERIFY(sales.size() >= 2);
    // Typed key by key as a keyboard does: no inline completion narrows the list.
    auto type = [field](const QString &text) {
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
    QVERIFY(list->isVisible());
    // Directly under the cell's box (or above it where there is no room), inside the window.
    const QPoint corner = items->mapTo(&w, QPoint(0, 0));
    QCOMPARE(list->x(), corner.x());
    QVERIFY(list->y() == corner.y() + items->height() || list->geometry().bottom() + 1 == corner.y());
    QVERIFY(w.rect().contains(list->geometry()));

    // Escape closes the list only: the text and the editor stay.
    QTest::keyClick(field, Qt::Key_Escape);
    QVERIFY(!list->isVisible());
    QCOMPARE(field->text(), QString("销售"));
    QCOMPARE(t->indexWidget(t->model()->index(0, 1)), items);

    type("销售");
    QTest::keyClick(field, Qt::Key_Down);
    QTest::keyClick(field, Qt::Key_Down);
    QTest::keyClick(field, Qt::Key_Down);
    QTest::keyClick(field, Qt::Key_Up);
    QCOMPARE(field->text(), QString("销售"));
    QTest::keyClick(field, Qt::Key_Return);
    QVERIFY(!list->isVisible());
    QCOMPARE(items->currentText(), sales.at(sales.size() > 2 ? 1 : 0));
    QCOMPARE(StoredFinance(0).at(0).item, items->currentText());
}

void TestLedgerEditing::editBelowADeletedRowSavesTheRightRow()
{
    TempStore store;
    BoxAnswers answers;
    PagesWindow w;
    QTableWidget *t = w.Table("tab_purchaseIn");
    for (int i = 0; i < 3; ++i) {
        w.pages->ActionAdd("btn_puradd");
        QTest::qWait(2);  // distinct serials
    }
    const QString second = t->item(1, 0)->text();
    const QString third = t->item(2, 0)->text();
    t->setCurrentCell(0, 5);
    w.pages->ActionDelete("btn_purdel");
    QCOMPARE(t->rowCount(), 2);
    OpenEditor<QDateEdit>(t, 1, 7)->setDate(QDate(2022, 1, 2));

    // An editor open while a row above it goes away still edits its own row.
    auto *name = OpenEditor<QComboBox>(t, 1, 2);
    const QModelIndex first = t->model()->index(0, 0);
    QCOMPARE(first.data().toString(), second);
    t->removeRow(0);
    name->setEditText("第三行的商品");
    const GoodsList rows = StoredGoods(GoodsKind::PurchaseIn);
    QCOMPARE(rows.size(), 2);
    for (const GoodsRecord &r : rows) {
        if (r.serial == third) {
            QCOMPARE(r.name, QString("第三行的商品"));
            QCOMPARE(r.time, QString("2022-01-02"));
        } else {
            QCOMPARE(r.serial, second);
            QCOMPARE(r.name, QString());
            QCOMPARE(r.time, Today());
        }
    }
}

void TestLedgerEditing::deleteAsksAndRemovesOnlyTheCurrentRow()
{
    TempStore store;
    BoxAnswers answers("取消");
    PagesWindow w;
    QTableWidget *t = w.Table("tab_debt");
    w.pages->ActionAdd("btn_finadd_2");
    QTest::qWait(2);
    w.pages->ActionAdd("btn_finadd_2");
    t->selectAll();
    t->setCurrentCell(1, 2, QItemSelectionModel::NoUpdate);
    const QString kept = t->item(0, 0)->text();

    w.pages->ActionDelete("btn_findel_2");
    QCOMPARE(answers.seen, QStringList{"删除告警|删除或还原数据请慎重,确认?"});
    QCOMPARE(t->rowCount(), 2);
    QCOMPARE(StoredFinance(1).size(), 2);

    answers.Click("确认");
    w.pages->ActionDelete("btn_findel_2");
    QCOMPARE(t->rowCount(), 1);
    const FinanceList rows = StoredFinance(1);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.at(0).serial, kept);
}

void TestLedgerEditing::deleteWithoutCurrentRowWarns()
{
    TempStore store;
    BoxAnswers answers;
    PagesWindow w;
    w.pages->ActionAdd("btn_puradd_5");
    w.Table("tab_storelose")->setCurrentCell(-1, -1);
    w.pages->ActionDelete("btn_purdel_5");
    QCOMPARE(answers.seen.last(), QString("warning|请选中相应行"));
    QCOMPARE(StoredGoods(GoodsKind::Loss).size(), 1);
    QCOMPARE(w.Table("tab_storelose")->rowCount(), 1);
}

void TestLedgerEditing::clearNeedsConfirmationAndLogin_data()
{
    QTest::addColumn<QString>("click");
    QTest::addColumn<bool>("login");
    QTest::addColumn<int>("left");
    QTest::newRow("confirmation cancelled") << "取消" << true << 2;
    QTest::newRow("login refused") << "确认" << false << 2;
    QTest::newRow("both accepted") << "确认" << true << 0;
}

void TestLedgerEditing::clearNeedsConfirmationAndLogin()
{
    QFETCH(QString, click);
    QFETCH(bool, login);
    QFETCH(int, left);
    TempStore store;
    PagesWindow w;
    w.pages->ActionAdd("btn_finadd_5");
    QTest::qWait(2);
    w.pages->ActionAdd("btn_finadd_5");
    w.pages->ActionAdd("btn_finadd_6");  // another kind is never touched
    int logins = 0;
    w.pages->SetRelogin([&] { ++logins; return login; });
    BoxAnswers answers(click);
    w.pages->ActionClear("btn_finclr_5");
    QCOMPARE(logins, click == "确认" ? 1 : 0);
    QCOMPARE(StoredFinance(FinanceKind::Salaries).size(), left);
    QCOMPARE(w.Table("tab_salary")->rowCount(), left);
    QCOMPARE(StoredFinance(FinanceKind::UtilitiesRent).size(), 1);
}

void TestLedgerEditing::failedSaveMarksTheRowAndSaysWhy_data()
{
    QTest::addColumn<bool>("locked");
    QTest::newRow("read-only database") << false;
    QTest::newRow("another writer holds the lock") << true;
}

void TestLedgerEditing::failedSaveMarksTheRowAndSaysWhy()
{
    QFETCH(bool, locked);
    TempStore store;
    REQUIRE_DB(store);
    BoxAnswers answers;
    PagesWindow w;
    QStringList status;
    w.pages->SetStatusSink([&](const QString &text) { status << text; });
    QTableWidget *t = w.Table("tab_income");
    w.pages->ActionAdd("btn_finadd_1");
    const auto red = [t](int column) {
        return t->item(0, column) && t->item(0, column)->data(Qt::BackgroundRole).isValid();
    };
    QVERIFY(!red(2));

    // The writer stands for another program; this connection gives up soon.
    QSqlDatabase side;
    if (locked) {
        QVERIFY(TempStore::Exec(store.Pg() ? "set lock_timeout = '100ms'" : "pragma busy_timeout = 100"));
        side = QSqlDatabase::addDatabase(store.settings.driver, "ledger_writer");
        if (store.Pg()) {
            side.setConnectOptions(QStringLiteral("options='-c search_path=%1'").arg(store.settings.schema));
            side.setHostName(store.settings.server);
            side.setPort(store.settings.port);
            side.setUserName(store.settings.user);
            side.setPassword(store.settings.password);
        }
        side.setDatabaseName(store.Pg() ? store.settings.name : store.settings.file);
        QVERIFY(side.open());
        QVERIFY(side.transaction());
        QVERIFY(QSqlQuery(side).exec(store.Pg() ? "lock table tb_sm_finance_info in exclusive mode"
                                                : "delete from tb_sm_user"));
    } else {
        QVERIFY(TempStore::Exec(store.Pg() ? "set default_transaction_read_only = on" : "pragma query_only = 1"));
    }

    Type(t, 0, 2, "12");
    Type(t, 0, 2, "13");
    QCOMPARE(StoredFinance(0).at(0).sum, QString());
    for (int column = 0; column < t->columnCount(); ++column)
        QVERIFY2(red(column), qPrintable(QString::number(column)));
    QVERIFY2(status.last().startsWith("保存失败：") && status.last().size() > 5, qPrintable(status.last()));
    // One box for the first failure; the rest go to the status line.
    QCOMPARE(answers.seen.size(), 1);
    QVERIFY(answers.seen.at(0).startsWith("保存失败|保存失败："));

    if (locked) {
        side.rollback();
        side.close();
        side = QSqlDatabase();
        QSqlDatabase::removeDatabase("ledger_writer");
    } else {
        QVERIFY(TempStore::Exec(store.Pg() ? "set default_transaction_read_only = off" : "pragma query_only = 0"));
    }
    Type(t, 0, 2, "14");
    QCOMPARE(StoredFinance(0).at(0).sum, QString("14"));
    QVERIFY(!red(2));
    QVERIFY(!red(0));
}

void TestLedgerEditing::fillingTablesBlocksSaves()
{
    TempStore store;
    PagesWindow w;
    QTableWidget *t = w.Table("tab_saleback");
    w.pages->ActionAdd("btn_puradd_4");
    const GoodsList before = StoredGoods(GoodsKind::SaleReturn);

    w.pages->SetFillingTables(true);
    Type(t, 0, 9, "5");
    Type(t, 0, 9, "letters");  // also silent: no box without an answerer
    OpenEditor<QComboBox>(t, 0, 3)->setEditText("X");
    OpenEditor<QDateEdit>(t, 0, 7)->setDate(QDate(2020, 1, 1));
    QCOMPARE(StoredGoods(GoodsKind::SaleReturn), before);

    w.pages->SetFillingTables(false);
    Type(t, 0, 9, "5");
    QCOMPARE(StoredGoods(GoodsKind::SaleReturn).at(0).num, QString("5"));
}

void TestLedgerEditing::lettersInANumberCell()
{
    TempStore store;
    BoxAnswers answers;
    PagesWindow w;
    QTableWidget *t = w.Table("tab_purchaseBack");
    w.pages->ActionAdd("btn_puradd_2");
    Type(t, 0, 10, "4");
    Type(t, 0, 11, "12");
    answers.seen.clear();
    const GoodsRecord before = StoredGoods(1).at(0);

    Type(t, 0, 9, "abc");
    QCOMPARE(answers.seen, QStringList{"输入错误|请输入数字"});
    QCOMPARE(t->item(0, 9)->text(), QString());
    GoodsRecord after = StoredGoods(1).at(0);
    QCOMPARE(after.num, QString());
    after.num = before.num;
    QCOMPARE(after, before);

    answers.seen.clear();
    Type(t, 0, 9, "");
    QVERIFY(answers.seen.isEmpty());
}

void TestLedgerEditing::typedAmountLeadsItsRow()
{
    TempStore store;
    BoxAnswers answers;
    PagesWindow w;
    w.show();
    QTableWidget *t = w.Table("tab_purchaseIn");
    w.pages->ActionAdd("btn_puradd");
    Keys(t, 0, 9, "20");
    Keys(t, 0, 10, "3");
    QCOMPARE(Amounts(StoredGoods(0).at(0)), QString("20|3|60|0|60"));
    Keys(t, 0, 12, "50");
    QCOMPARE(Amounts(StoredGoods(0).at(0)), QString("20|3|60|50|10"));
    QCOMPARE(w.Edit("lineEdit_d_1"), QString("10"));
    Keys(t, 0, 13, "5");
    QCOMPARE(Amounts(StoredGoods(0).at(0)), QString("20|3|60|55|5"));
    Keys(t, 0, 11, "100");
    QCOMPARE(Amounts(StoredGoods(0).at(0)), QString("20|5|100|55|45"));
    Keys(t, 0, 9, "10");
    QCOMPARE(Amounts(StoredGoods(0).at(0)), QString("10|5|50|55|-5"));
    QVERIFY(answers.seen.isEmpty());

    // A row saved for another reason keeps its figures, however they disagree.
    GoodsRecord odd = MakeGoods(0, "odd", Today());
    odd.num = "20"; odd.price = "3"; odd.total = "60"; odd.pay = "50"; odd.debt = "60";
    QVERIFY(StoreDbAccess::Instance()->SaveGoodsRow(odd));
    w.pages->ShowGoodsRows(t, GoodsList{odd});
    OpenEditor<QComboBox>(t, 0, 3)->setEditText("M9");
    const GoodsList stored = StoredGoods(0);
    const GoodsRecord oddAfter = *std::find_if(stored.begin(), stored.end(),
                                               [](const GoodsRecord &g) { return g.serial == "odd"; });
    QCOMPARE(oddAfter.model, QString("M9"));
    QCOMPARE(Amounts(oddAfter), QString("20|3|60|50|60"));

    // A refused amount is emptied and the row derived from the rest; blanks
    // only are refused as well, an emptied cell silently.
    w.pages->ActionAdd("btn_puradd");
    Keys(t, 1, 11, "100");
    Keys(t, 1, 13, "70");
    Keys(t, 1, 12, "xyz");
    QCOMPARE(answers.seen, QStringList{"输入错误|请输入数字"});
    QCOMPARE(t->item(1, 12)->text(), QString("30"));
    Keys(t, 1, 9, "   ");
    QCOMPARE(answers.seen.size(), 2);
    QCOMPARE(t->item(1, 9)->text(), QString());
    Keys(t, 1, 13, "");
    QCOMPARE(answers.seen.size(), 2);
    const GoodsList rows = StoredGoods(0);
    QCOMPARE(Amounts(rows.last()), QString("||100|100|0"));
}

void TestLedgerEditing::computedPagesAreReadOnly()
{
    TempStore store;
    PagesWindow w;
    GoodsRecord stock = MakeGoods(GoodsKind::PurchaseIn, "p1", "2024-05-01");
    FinanceList profit;
    Profit::ComputeProfit({MakeFinance(0, "i", Today())}, profit);
    for (const LedgerKinds::PageKind &page : LedgerKinds::Pages()) {
        if (!page.IsComputed())
            continue;
        QTableWidget *t = w.Table(page.tableName);
        if (page.group == LedgerKinds::Group::Finance)
            w.pages->ShowFinanceRows(t, profit);
        else
            w.pages->ShowGoodsRows(t, GoodsList{stock});
        QVERIFY2(t->rowCount() > 0, qPrintable(page.tableName));
        QCoreApplication::processEvents();
        for (int r = 0; r < t->rowCount(); ++r) {
            for (int c = 0; c < t->columnCount(); ++c) {
                QVERIFY2(!t->cellWidget(r, c), qPrintable(page.tableName));
                QVERIFY(!(t->item(r, c)->flags() & Qt::ItemIsEditable));
            }
        }
        // Nor does a press open a choice or a date there.
        QVERIFY2(!OpenEditor<QWidget>(t, 0, 1), qPrintable(page.tableName));
        QVERIFY(LedgerRows::EditorAt(t, 0, 1) == LedgerRows::Editor::None);
    }
    QTableWidget *stockTable = w.Table("tab_storeCurr");
    QCOMPARE(stockTable->item(0, 7)->text(), QString("2024-05-01"));
    QCOMPARE(stockTable->item(0, 3)->text(), QString("M1"));
    // Only the computed item and sum: no "0" serials, dates or names.
    QTableWidget *profitTable = w.Table("tab_profit");
    QCOMPARE(profitTable->item(0, 1)->text(), QString("收款总额"));
    QCOMPARE(profitTable->item(0, 2)->text(), QString("12.5"));
    QCOMPARE(profitTable->item(1, 2)->text(), QString("0"));
    for (int c : {0, 3, 4, 5, 6, 7, 8})
        QCOMPARE(profitTable->item(0, c)->text(), QString());
}

void TestLedgerEditing::badStoredDateIsShownButNotRewritten()
{
    TempStore store;
    GoodsRecord r = MakeGoods(GoodsKind::Sale, "2024-01-01 00:00:00:000", Today());
    PagesWindow w;
    QTableWidget *t = w.Table("tab_saleout");
    r.time = "05.03.2024";
    r.num = "1"; r.price = "2"; r.total = "2"; r.pay = "0"; r.debt = "2";
    w.pages->ShowGoodsRows(t, GoodsList{r});
    QVERIFY(StoreDbAccess::Instance()->SaveGoodsRow(r));
    QCOMPARE(LedgerRows::CellText(t, 0, 7), QString("2000-01-01"));
    w.pages->ComputePageTotals("btn_total_3");
    QCOMPARE(StoredGoods(GoodsKind::Sale).at(0).time, QString("05.03.2024"));
    Type(t, 0, 16, "NO-1");
    QCOMPARE(StoredGoods(GoodsKind::Sale).at(0).time, QString("2000-01-01"));
}

void TestLedgerEditing::loadShowsTodaysRowsOnly()
{
    TempStore store;
    StoreDbAccess *s = StoreDbAccess::Instance();
    const QString yesterday = QDate::currentDate().addDays(-1).toString("yyyy-MM-dd");
    QVERIFY(s->SaveGoodsRow(MakeGoods(0, "a", Today())));
    QVERIFY(s->SaveGoodsRow(MakeGoods(0, "b", yesterday)));
    QVERIFY(s->SaveGoodsRow(MakeGoods(4, "c", Today())));
    QVERIFY(s->SaveFinanceRow(MakeFinance(6, "d", Today())));
    QVERIFY(s->SaveFinanceRow(MakeFinance(6, "e", yesterday)));

    PagesWindow w;
    QVERIFY(w.Load());
    QCOMPARE(w.Table("tab_purchaseIn")->rowCount(), 1);
    QCOMPARE(w.Table("tab_purchaseIn")->item(0, 0)->text(), QString("a"));
    QCOMPARE(w.Table("tab_storelose")->rowCount(), 1);
    QCOMPARE(w.Table("tab_expother")->rowCount(), 1);
    QCOMPARE(w.Table("tab_income")->rowCount(), 0);
    QCOMPARE(w.Edit("lineEdit_ft_7"), QString("12.5"));
    QCOMPARE(w.Edit("lineEdit_ft_1"), QString("0"));
    QCOMPARE(w.Edit("lineEdit_t_2"), QString("0"));
    QVERIFY(!w.pages->fillingTables());
    // The fill itself saved nothing back.
    QCOMPARE(StoredGoods(0).size(), 2);
    QCOMPARE(StoredGoods(0).at(0), MakeGoods(0, "a", Today()));
}

void TestLedgerEditing::totalsOfEveryPageStyle()
{
    TempStore store;
    PagesWindow w;
    GoodsRecord a = MakeGoods(5, "s1", Today());
    a.num = "2"; a.price = "3"; a.total = ""; a.pay = ""; a.debt = "";
    GoodsRecord b = a;
    b.serial = "s2"; b.total = "4";
    w.pages->ShowGoodsRows(w.Table("tab_storeCurr"), GoodsList{a, b});
    w.pages->TotalProcess("btn_total_6");
    QCOMPARE(w.Edit("lineEdit_t_6"), QString("10"));
    QCOMPARE(w.Edit("lineEdit_p_6"), QString("0"));
    QCOMPARE(w.Edit("lineEdit_d_6"), QString("0"));
    QCOMPARE(w.Table("tab_storeCurr")->item(0, 11)->text(), QString("6"));
    QCOMPARE(w.pages->lastTotalButton(), QString("btn_total_6"));

    a.pay = "1"; a.debt = "5";
    w.pages->ShowGoodsRows(w.Table("tab_saletotal_1"), GoodsList{a});
    w.pages->TotalProcess("btn_total_7");
    QCOMPARE(w.Edit("lineEdit_t_7"), QString("6"));
    QCOMPARE(w.Edit("lineEdit_p_7"), QString("1"));
    QCOMPARE(w.Edit("lineEdit_d_7"), QString("5"));

    // The profit page's total is its operating profit, not income + expenses + profit.
    FinanceList profitRows;
    FinanceRecord income = MakeFinance(0, "i", Today());
    income.sum = "300";
    FinanceRecord expense = MakeFinance(6, "e", Today());
    expense.sum = "67.75";
    Profit::ComputeProfit({income, expense}, profitRows);
    w.pages->ShowFinanceRows(w.Table("tab_profit"), profitRows);
    w.pages->TotalProcess("btn_ft_8");
    QCOMPARE(w.Edit("lineEdit_ft_8"), QString("232.25"));

    w.Table("tab_profit")->setRowCount(0);
    w.pages->ShowTotalResult();
    QCOMPARE(w.Edit("lineEdit_ft_8"), QString("0"));
    w.pages->TotalProcess("btn_total_1");
    QCOMPARE(w.Edit("lineEdit_t_1"), QString("0"));
    QCOMPARE(w.Edit("lineEdit_p_1"), QString("0"));
    QCOMPARE(w.Edit("lineEdit_d_1"), QString("0"));
    // Computed pages are never stored.
    QCOMPARE(StoredGoods(-1).size(), 0);
    QCOMPARE(StoredFinance(-1).size(), 0);
}

void TestLedgerEditing::totalsAfterEditAddAndDelete()
{
    TempStore store;
    BoxAnswers answers;
    PagesWindow w;
    QTableWidget *t = w.Table("tab_inother");
    w.pages->ActionAdd("btn_finadd_3");
    Type(t, 0, 2, "100.5");
    QCOMPARE(w.Edit("lineEdit_ft_3"), QString("100.5"));
    w.pages->ActionAdd("btn_finadd_3");
    Type(t, 1, 2, "0.25");
    QCOMPARE(w.Edit("lineEdit_ft_3"), QString("100.75"));
    t->setCurrentCell(0, 2);
    w.pages->ActionDelete("btn_findel_3");
    QCOMPARE(w.Edit("lineEdit_ft_3"), QString("0.25"));
}

void TestLedgerEditing::derivedTotalOnAStoredPageIsSaved()
{
    TempStore store;
    PagesWindow w;
    GoodsRecord r = MakeGoods(GoodsKind::PurchaseIn, "x", Today());
    r.num = "2"; r.price = "3"; r.total = ""; r.pay = ""; r.debt = "";
    QVERIFY(StoreDbAccess::Instance()->SaveGoodsRow(r));
    w.pages->ShowGoodsRows(w.Table("tab_purchaseIn"), GoodsList{r});
    w.pages->TotalProcess("btn_total_1");
    QCOMPARE(w.Edit("lineEdit_t_1"), QString("6"));
    const GoodsRecord stored = StoredGoods(0).at(0);
    QCOMPARE(stored.total, QString("6"));
    QCOMPARE(stored.debt, QString("6"));
}

void TestLedgerEditing::largeAmountsStayExact()
{
    TempStore store;
    PagesWindow w;
    QTableWidget *t = w.Table("tab_purchaseIn");
    w.pages->ActionAdd("btn_puradd");
    Type(t, 0, 11, "1234567.5");
    QCOMPARE(StoredGoods(0).at(0).total, QString("1234567.5"));
    QCOMPARE(StoredGoods(0).at(0).debt, QString("1234567.5"));
    w.pages->ActionAdd("btn_puradd");
    Type(t, 1, 9, "1000");
    Type(t, 1, 10, "1111.11");
    QCOMPARE(t->item(1, 11)->text(), QString("1111110"));
    QCOMPARE(w.Edit("lineEdit_t_1"), QString("2345677.5"));
    QCOMPARE(w.Edit("lineEdit_d_1"), QString("2345677.5"));
}

// Edits, adds and deletes only adjust the totals; the totals button sums the
// page afresh and must show the same figures.
void TestLedgerEditing::runningTotalsMatchARecount()
{
    TempStore store;
    BoxAnswers answers;
    PagesWindow w;
    QTableWidget *t = w.Table("tab_saleout");
    QRandomGenerator rng(3);
    const QStringList amounts{"", "0.1", "0.2", "7", "-3.5", "1234567.5", "abc"};
    auto figures = [&] { return w.Edit("lineEdit_t_3") + "|" + w.Edit("lineEdit_p_3") + "|" + w.Edit("lineEdit_d_3"); };
    for (int step = 0; step < 40; ++step) {
        const int action = rng.bounded(10);
        if (action == 0 || t->rowCount() == 0) {
            w.pages->ActionAdd("btn_puradd_3");
        } else if (action == 1) {
            t->setCurrentCell(rng.bounded(t->rowCount()), 5);
            w.pages->ActionDelete("btn_purdel_3");
        } else {
            Type(t, rng.bounded(t->rowCount()), 9 + rng.bounded(5), amounts.at(rng.bounded(amounts.size())));
        }
        const QString running = figures();
        w.pages->TotalProcess("btn_total_3");
        QCOMPARE(running, figures());
    }
}


void TestLedgerEditing::goodsCodeFillsOnlyEmptyCells()
{
    TempStore store;
    PagesWindow w;
    w.show();
    QTableWidget *in = w.Table("tab_purchaseIn");
    QTableWidget *sale = w.Table("tab_saleout");
    w.pages->ActionAdd("btn_puradd");
    const QStringList bought{"类A", "名N", "M1", "红", "C1", "大"};
    for (int c = 1; c <= 6; ++c)
        Type(in, 0, c, bought.at(c - 1));
    Type(in, 0, 10, "10");
    // Typed cells stay; the price of a sale page comes from the last sale once there is one.
    const struct { QString name, price, wantName, wantPrice; } cases[] = {
        {"", "15", "名N", "15"},
        {"自填", "", "自填", "15"},
    };
    for (const auto &k : cases) {
        w.pages->ActionAdd("btn_puradd_3");
        const int row = sale->rowCount() - 1;
        Type(sale, row, 2, k.name);
        Type(sale, row, 10, k.price);
        Keys(sale, row, 5, "C1");
        const QStringList want{"类A", k.wantName, "M1", "红", "C1", "大"};
        for (int c = 1; c <= 6; ++c)
            QCOMPARE(sale->item(row, c)->text(), want.at(c - 1));
        QCOMPARE(sale->item(row, 10)->text(), k.wantPrice);
        QCOMPARE(StoredGoods(GoodsKind::Sale).at(row).model, QString("M1"));
        QCOMPARE(StoredGoods(GoodsKind::Sale).at(row).price, k.wantPrice);
    }
    w.pages->ActionAdd("btn_puradd_3");
    Keys(sale, 2, 5, "X9");
    QCOMPARE(sale->item(2, 3)->text(), QString());
    QCOMPARE(StoredGoods(GoodsKind::Sale).at(2).code, QString("X9"));
}

void TestLedgerEditing::saleBeyondStockWarnsButSaves()
{
    TempStore store;
    PagesWindow w;
    QStringList status;
    w.pages->SetStatusSink([&](const QString &text) { status << text; });
    const auto article = [&w](const QString &table, const QString &button, const QString &num) {
        QTableWidget *t = w.Table(table);
        w.pages->ActionAdd(button);
        const int row = t->rowCount() - 1;
        Type(t, row, 3, "M1");
        Type(t, row, 4, "红");
        Type(t, row, 8, "仓1");
        Type(t, row, 9, num);
        return t->item(row, 9);
    };
    const auto marked = [](QTableWidgetItem *item) { return item->data(Qt::BackgroundRole).isValid(); };
    article("tab_purchaseIn", "btn_puradd", "5");
    QVERIFY(!marked(article("tab_saleout", "btn_puradd_3", "3")));
    QTableWidgetItem *back = article("tab_purchaseBack", "btn_puradd_2", "4");
    QVERIFY(marked(back));
    QCOMPARE(status.last(), QString("库存不足：M1 红 现有 2"));
    QCOMPARE(StoredGoods(GoodsKind::PurchaseReturn).at(0).num, QString("4"));
    back->setText("2");
    QVERIFY(!marked(back));
    QVERIFY(marked(article("tab_storelose", "btn_puradd_5", "1")));
    QCOMPARE(StoredGoods(GoodsKind::Loss).size(), 1);
}
QTEST_MAIN(TestLedgerEditing)
#include "test_ledgerediting.moc"
