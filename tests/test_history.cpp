// Undo and redo on a page model and the change log written with each change:
// what the log holds, that it shares the change's transaction, and who may read it.
#include "db/changelog.h"
#include "exchange/ledgerexchange.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgermodel.h"
#include "ledger/pageundo.h"
#include "ledgertestsupport.h"
#include "storetestsupport.h"

#include <QSignalSpy>
#include <QUndoStack>
#include <QtTest>

Q_DECLARE_METATYPE(LedgerChange)

namespace {

const LedgerKinds::PageKind &Purchase() { return *LedgerKinds::Find(LedgerKinds::Group::Goods, 0); }

QList<ChangeEntry> Log(const ChangeLog::Filter &filter = {})
{
    QList<ChangeEntry> out;
    const Result read = ChangeLog::Read(filter, &out);
    if (!read)
        qWarning() << read.error();
    return out;
}

QStringList Actions(const QList<ChangeEntry> &log)
{
    QStringList out;
    for (const ChangeEntry &e : log)
        out << e.action + ':' + e.column + ':' + e.oldText + "->" + e.newText;
    return out;
}

// A page of one stored purchase row, quantity 10 at price 2, its changes spied on.
struct OnePage
{
    OnePage() : model(Purchase()), changes(&model, &LedgerModel::ChangeMade)
    {
        ChangeLog::SetAccount("clerk");
        (void)model.AddRow();
        (void)model.SetCell(0, LedgerKinds::PriceColumn, "2");
        (void)model.SetCell(0, LedgerKinds::NumColumn, "10");
    }
    LedgerChange Last() const { return changes.last().at(0).value<LedgerChange>(); }
    LedgerModel model;
    QSignalSpy changes;
};

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<LedgerChange>(); }
    void changesAreLoggedWithTheirValues();
    void undoAndRedoFollowTheStore_data();
    void undoAndRedoFollowTheStore();
    void undoRefusedWhenTheRowChangedElsewhere();
    void failedSaveWritesNeitherRowNorLog_data();
    void failedSaveWritesNeitherRowNorLog();
    void readingFiltersAndPermissions_data();
    void readingFiltersAndPermissions();
    void csvQuotesWhatWouldBreakIt();
    void backupKeepsTheLogBesideItsFile();
    void importIsLoggedWithItsRowCount();
    void pageStackUndoesRedoesAndForgetsOnRefill();
};

void TestHistory::changesAreLoggedWithTheirValues()
{
    TempStore store;
    REQUIRE_DB(store);
    OnePage page;
    QVERIFY(page.model.RemoveRow(0));
    const QList<ChangeEntry> log = Log();
    // A typed value is logged, not the amounts it moves; a row's texts travel with add and delete.
    QCOMPARE(log.size(), 4);
    QCOMPARE(Actions(log.mid(1, 2)).join(' '), QString("edit:产品单价:->2 edit:进货数量:->10"));
    QCOMPARE(log.at(0).action, QString("add"));
    QVERIFY(log.at(0).newText.startsWith(log.at(0).serial + " | "));
    QCOMPARE(log.at(3).action, QString("delete"));
    QVERIFY(log.at(3).oldText.contains(" | 10 | 2 | 20 | "));
    QCOMPARE(log.at(3).newText, QString());
    for (const ChangeEntry &e : log) {
        QCOMPARE(e.account, QString("clerk"));
        QCOMPARE(e.page, QString("tab_purchaseIn"));
        QCOMPARE(e.serial, log.at(0).serial);
        QVERIFY2(QDateTime::fromString(e.time, "yyyy-MM-dd hh:mm:ss:zzz").isValid(), qPrintable(e.time));
        QCOMPARE(e.rows, e.column.isEmpty() ? 1 : 0);
    }
    QCOMPARE(TempStore::Scalar("select row_count from tb_change_log order by id").type(),
             store.Pg() ? QVariant::Int : QVariant::LongLong);
}

void TestHistory::undoAndRedoFollowTheStore_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("rowsAfter"); // stored rows once the change is made
    QTest::newRow("edit") << int(LedgerChange::Edit) << 1;
    QTest::newRow("add") << int(LedgerChange::Add) << 2;
    QTest::newRow("delete") << int(LedgerChange::Delete) << 0;
}

void TestHistory::undoAndRedoFollowTheStore()
{
    QFETCH(int, kind);
    QFETCH(int, rowsAfter);
    TempStore store;
    REQUIRE_DB(store);
    OnePage page;
    const GoodsList before = StoredGoodsOf(0);
    if (kind == LedgerChange::Edit)
        QVERIFY(page.model.SetCell(0, LedgerKinds::NumColumn, "12"));
    else if (kind == LedgerChange::Add)
        QVERIFY(page.model.AddRow());
    else
        QVERIFY(page.model.RemoveRow(0));
    const LedgerChange change = page.Last();
    QCOMPARE(int(change.kind), kind);
    const GoodsList after = StoredGoodsOf(0);
    QCOMPARE(after.size(), rowsAfter);

    QVERIFY(page.model.Undo(change));
    QCOMPARE(StoredGoodsOf(0), before);
    QCOMPARE(page.model.goodsRows().size(), before.size());
    QCOMPARE(page.model.Goods(0).serial, before.at(0).serial); // a deleted row is back with its serial
    QCOMPARE(page.model.Text(0, LedgerKinds::TotalColumn), QString("20"));
    QCOMPARE(page.model.Totals().total.Value(), page.model.RowShare(0).total);
    QCOMPARE(Log().last().action, QString("undo"));

    QVERIFY(page.model.Redo(change));
    QCOMPARE(StoredGoodsOf(0), after);
    QCOMPARE(page.model.goodsRows().size(), rowsAfter);
    QVERIFY(Log().last().action != "undo");
}

void TestHistory::undoRefusedWhenTheRowChangedElsewhere()
{
    TempStore store;
    REQUIRE_DB(store);
    OnePage page;
    QVERIFY(page.model.SetCell(0, LedgerKinds::NumColumn, "12"));
    const LedgerChange change = page.Last();
    QVERIFY(TempStore::Exec("update tb_sm_product_info set product_num='99'"));
    const int logged = Log().size();
    const Result undone = page.model.Undo(change);
    QVERIFY(!undone);
    QVERIFY2(undone.error().contains("已在别处被修改"), qPrintable(undone.error()));
    QCOMPARE(page.model.Text(0, LedgerKinds::NumColumn), QString("12"));
    QCOMPARE(StoredGoodsOf(0).at(0).num, QString("99"));
    QCOMPARE(Log().size(), logged);
}

// Either half refused: the other is not kept.
void TestHistory::failedSaveWritesNeitherRowNorLog_data()
{
    QTest::addColumn<QString>("refusingTable");
    QTest::addColumn<QString>("event");
    QTest::newRow("log refused") << "tb_change_log"
                                 << "insert";
    QTest::newRow("row update refused") << "tb_sm_product_info"
                                        << "update";
    QTest::newRow("row insert refused") << "tb_sm_product_info"
                                        << "insert";
}

void TestHistory::failedSaveWritesNeitherRowNorLog()
{
    QFETCH(QString, refusingTable);
    QFETCH(QString, event);
    TempStore store;
    REQUIRE_DB(store);
    OnePage page;
    const GoodsList before = StoredGoodsOf(0);
    const int logged = Log().size();
    QVERIFY(TempStore::RefuseInserts(refusingTable, "true", event));
    // An edit updates the row and inserts its log; an added row inserts both.
    const bool editRefused = event == "update" || refusingTable == "tb_change_log";
    const bool addRefused = event == "insert";
    if (editRefused) {
        QVERIFY(!page.model.SetCell(0, LedgerKinds::NumColumn, "12"));
        QVERIFY(page.model.SaveFailed(0));
    }
    if (addRefused)
        QVERIFY(!page.model.AddRow());
    QCOMPARE(StoredGoodsOf(0), before);
    QCOMPARE(Log().size(), logged);
    QCOMPARE(page.changes.size(), 3); // only the setup's
}

void TestHistory::readingFiltersAndPermissions_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("page");
    QTest::addColumn<int>("userType");
    QTest::addColumn<QString>("accounts");
    QTest::newRow("everything, owner") << ""
                                       << ""
                                       << ""
                                       << "" << 1 << "ann bob ann";
    QTest::newRow("first day to the limit") << ""
                                            << "2026-03-01"
                                            << ""
                                            << "" << 2 << "ann";
    QTest::newRow("from the last day") << "2026-03-03"
                                       << ""
                                       << ""
                                       << "" << 2 << "ann";
    QTest::newRow("one past the last day") << "2026-03-04"
                                           << ""
                                           << ""
                                           << "" << 2 << "";
    QTest::newRow("one account") << ""
                                 << ""
                                 << "bob"
                                 << "" << 1 << "bob";
    QTest::newRow("one page") << ""
                              << ""
                              << ""
                              << "tab_income" << 1 << "bob";
    QTest::newRow("clerk sees own only") << ""
                                         << ""
                                         << "bob"
                                         << "" << 3 << "ann ann";
    QTest::newRow("viewer sees own only") << ""
                                          << ""
                                          << ""
                                          << "" << 4 << "ann ann";
}

void TestHistory::readingFiltersAndPermissions()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, account);
    QFETCH(QString, page);
    QFETCH(int, userType);
    QFETCH(QString, accounts);
    TempStore store;
    REQUIRE_DB(store);
    ChangeEntry a{0, "2026-03-01 23:59:59:999", "ann", "tab_purchaseIn", "s1", "", "", "", "add", 1};
    ChangeEntry b{0, "2026-03-02 00:00:00:000", "bob", "tab_income", "s2", "", "", "", "add", 1};
    ChangeEntry c{0, "2026-03-03 12:00:00:000", "ann", "tab_purchaseIn", "s1", "", "", "", "delete", 1};
    QVERIFY(ChangeLog::Record([] { return Result::Ok(); }, {a, b, c}));
    store.store()->SetStoreNo("2"); // another store's change is never shown
    QVERIFY(ChangeLog::Record([] { return Result::Ok(); }, {a}));
    store.store()->SetStoreNo("1");
    const ChangeLog::Filter filter = ChangeLog::VisibleTo({from, to, account, page, {}}, "ann", userType);
    QStringList seen;
    for (const ChangeEntry &e : Log(filter))
        seen << e.account;
    QCOMPARE(seen.join(' '), accounts);
    QList<ChangeEntry> none;
    QVERIFY(!ChangeLog::Read({"2026-13-01", {}, {}, {}, {}}, &none));
}

void TestHistory::csvQuotesWhatWouldBreakIt()
{
    ChangeEntry e{0, "t", "ann", "tab_income", "s", "备注", "a,b", "say \"hi\"", "edit", 0};
    ChangeEntry f{0, "t", "ann", "tab_income", "s", "备注", "-5", "=cmd()", "edit", 0};
    QCOMPARE(ChangeLog::Csv({e, f}),
             QString("time,account,page,serial,column,old,new,action,rows\n"
                     "t,ann,tab_income,s,备注,\"a,b\",\"say \"\"hi\"\"\",edit,0\n"
                     "t,ann,tab_income,s,备注,-5,\"'=cmd()\",edit,0\n"));
}

void TestHistory::backupKeepsTheLogBesideItsFile()
{
    TempStore store;
    REQUIRE_DB(store);
    OnePage page;
    const QString backup = store.dir.filePath("record_20261207_010203_004.sql");
    const Result dumped = store.store()->DumpStoreTables(backup);
    QVERIFY2(dumped, qPrintable(dumped.error()));
    QFile main(backup), history(ChangeLog::HistoryFileFor(backup));
    QCOMPARE(QFileInfo(history).fileName(), QString("record_20261207_010203_004_history.sql"));
    QVERIFY(main.open(QIODevice::ReadOnly) && history.open(QIODevice::ReadOnly));
    QVERIFY(!main.readAll().contains("tb_change_log")); // the backup file stays as it was
    QCOMPARE(history.readAll().count("insert into tb_change_log("), 3);

    // Restored twice into a store whose log was lost: each entry comes back once.
    QVERIFY(TempStore::Exec("delete from tb_change_log"));
    for (int round = 1; round <= 2; ++round) {
        const RestoreFiles files = RestoreFiles::For(store.dir.path(), backup, QDateTime::currentDateTime());
        const RestoreResult restored = store.store()->RestoreStoreTables(backup, files);
        QVERIFY2(restored.ok, qPrintable(restored.error));
        const QList<ChangeEntry> log = Log();
        QCOMPARE(Actions(log.mid(0, 3)).join(' ').count("edit:"), 2);
        QCOMPARE(log.size(), 3 + round);
        QCOMPARE(log.last().action, QString("restore"));
        QCOMPARE(log.last().rows, 1);
        QCOMPARE(log.last().newText, QFileInfo(backup).fileName());
    }
}

void TestHistory::importIsLoggedWithItsRowCount()
{
    TempStore store;
    REQUIRE_DB(store);
    QStringList blank;
    for (int c = 0; c < 19; ++c)
        blank << QString();
    QVector<QStringList> rows(2, blank);
    rows[0][0] = "2026-01-01 00:00:00:001";
    rows[1][0] = "2026-01-01 00:00:00:002";
    for (QStringList &cells : rows) {
        cells[7] = "2026-01-01";
        cells[9] = "3";
    }
    QVERIFY(LedgerExchange::ImportCellsToStore(LedgerExchange::GoodsPage, rows, "tab_purchaseIn").stored);
    QCOMPARE(Log().size(), 1);
    QCOMPARE(Log().last().action + QString::number(Log().last().rows), QString("import2"));
    QCOMPARE(Log().last().page, QString("tab_purchaseIn"));
    // A log that cannot be written takes the import with it.
    QVERIFY(TempStore::RefuseInserts("tb_change_log"));
    rows[0][0] = "2026-01-01 00:00:00:003";
    QVERIFY(!LedgerExchange::ImportCellsToStore(LedgerExchange::GoodsPage, rows.mid(0, 1), "tab_purchaseIn")
                 .stored);
    QCOMPARE(StoredGoodsOf(0).size(), 2);
}

// The window's side: the page's stack, its texts and keys, a refused step.
void TestHistory::pageStackUndoesRedoesAndForgetsOnRefill()
{
    TempStore store;
    REQUIRE_DB(store);
    PagesWindow w;
    QTableView *view = w.Table("tab_purchaseIn");
    LedgerModel *model = w.Model("tab_purchaseIn");
    PageUndo *undo = PageUndo::Of(view);
    QVERIFY(undo && !PageUndo::Of(w.Table("tab_storeCurr"))); // computed pages have none
    QVERIFY(model->AddRow() && model->SetCell(0, LedgerKinds::NumColumn, "10")
            && model->SetCell(0, LedgerKinds::NumColumn, "12"));
    QCOMPARE(undo->stack()->count(), 3);
    QCOMPARE(undo->stack()->undoText(), QString("修改 进货数量 10 → 12"));
    QStringList keys;
    for (QAction *a : view->actions())
        for (const QKeySequence &k : a->shortcuts())
            keys << k.toString();
    QCOMPARE(keys.join(' '), QString("Ctrl+Z Ctrl+Y Ctrl+Shift+Z"));

    undo->stack()->undo();
    undo->stack()->undo();
    QCOMPARE(StoredGoodsOf(0).at(0).num, QString());
    undo->stack()->redo();
    QCOMPARE(StoredGoodsOf(0).at(0).num, QString("10"));
    // Changed elsewhere: the redo is refused with a box and leaves the stack.
    QVERIFY(TempStore::Exec("update tb_sm_product_info set product_num='7'"));
    BoxAnswers answers;
    undo->stack()->redo();
    QCOMPARE(answers.seen.size(), 1);
    QVERIFY2(answers.seen.at(0).contains("无法重做"), qPrintable(answers.seen.at(0)));
    QCOMPARE(StoredGoodsOf(0).at(0).num, QString("7"));
    QCOMPARE(model->Text(0, LedgerKinds::NumColumn), QString("10"));
    QCOMPARE(undo->stack()->count(), 2);

    w.pages->ShowGoodsRows(Purchase(), StoredGoodsOf(0)); // a query's rows
    QCOMPARE(undo->stack()->count(), 0);
}

QTEST_MAIN(TestHistory)
#include "test_history.moc"
