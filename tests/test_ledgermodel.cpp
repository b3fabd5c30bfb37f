// The page model without a window: the path of a typed value, loading,
// totals, row states, and the guards of its row operations.
#include "analytics/profit.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgermodel.h"
#include "ledger/listsource.h"
#include "ledger/namelists.h"
#include "storetestsupport.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QThreadPool>
#include <QtTest>

namespace {

const LedgerKinds::PageKind &Goods(int kind) { return *LedgerKinds::Find(LedgerKinds::Group::Goods, kind); }
const LedgerKinds::PageKind &Finance(int kind)
{
    return *LedgerKinds::Find(LedgerKinds::Group::Finance, kind);
}

QString Amounts(const GoodsRecord &r)
{
    return QStringList{r.num, r.price, r.total, r.pay, r.debt}.join(QLatin1Char('|'));
}

// Columns a dataChanged signal covered, as "first-last".
QStringList Spans(const QSignalSpy &spy)
{
    QStringList out;
    for (const QList<QVariant> &args : spy)
        out << QStringLiteral("%1-%2")
                   .arg(args.at(0).toModelIndex().column())
                   .arg(args.at(1).toModelIndex().column());
    return out;
}

} // namespace

class TestLedgerModel : public QObject
{
    Q_OBJECT
private slots:
    void typedValueIsDerivedStoredAndSignalled_data();
    void typedValueIsDerivedStoredAndSignalled();
    void failedSaveKeepsTheValueAndSaysWhy();
    void loadingNeverSaves();
    void totalsFollowEveryChange();
    void rowGuards();
    void computedPagesAreReadOnly();
    void newRowsAndSerials();
    void replacedRowsLeaveSharedCopiesWhole_data();
    void replacedRowsLeaveSharedCopiesWhole();
    void namesNotInTheirListAreMarked_data();
    void namesNotInTheirListAreMarked();
};

void TestLedgerModel::typedValueIsDerivedStoredAndSignalled_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("amounts"); // stored after the edit
    QTest::addColumn<QString>("changed"); // dataChanged spans
    QTest::addColumn<bool>("refused");
    // The row starts as quantity 2, price 3, total 6, paid 1, unpaid 5.
    QTest::newRow("quantity leads") << 9 << "4"
                                    << "4|3|12|1|11"
                                    << "9-13" << false;
    QTest::newRow("price leads") << 10 << "2.5"
                                 << "2|2.5|5|1|4"
                                 << "10-13" << false;
    QTest::newRow("total leads") << 11 << "9"
                                 << "2|4.5|9|1|8"
                                 << "10-13" << false;
    QTest::newRow("paid leads") << 12 << "6"
                                << "2|3|6|6|0"
                                << "12-13" << false;
    QTest::newRow("unpaid leads") << 13 << "2"
                                  << "2|3|6|4|2"
                                  << "12-13" << false;
    QTest::newRow("not a number") << 9 << "3个"
                                  << "|3|6|1|5"
                                  << "9-9" << true;
    QTest::newRow("text cell") << 18 << "备注"
                               << "2|3|6|1|5"
                               << "18-18" << false;
    QTest::newRow("same again") << 9 << "2"
                                << "2|3|6|1|5"
                                << "" << false;
}

void TestLedgerModel::typedValueIsDerivedStoredAndSignalled()
{
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(QString, amounts);
    QFETCH(QString, changed);
    QFETCH(bool, refused);
    TempStore store;
    REQUIRE_DB(store);
    GoodsRecord r = MakeGoods(GoodsKind::Sale, "2024-01-01 00:00:00:000", "2024-01-01");
    r.num = "2";
    r.price = "3";
    r.total = "6";
    r.pay = "1";
    r.debt = "5";
    QVERIFY(store.store()->SaveGoodsRow(r));
    LedgerModel model(Goods(GoodsKind::Sale));
    model.SetGoodsRows({r}, true);
    QSignalSpy data(&model, &LedgerModel::dataChanged);
    QSignalSpy numbers(&model, &LedgerModel::NumberRefused);
    QSignalSpy edited(&model, &LedgerModel::CellEdited);

    QVERIFY(model.setData(model.index(0, column), text));
    const GoodsList stored = StoredGoodsOf(GoodsKind::Sale);
    QCOMPARE(stored.size(), 1);
    QCOMPARE(Amounts(stored.at(0)), amounts);
    QCOMPARE(Amounts(model.Goods(0)), amounts);
    // Everything else of the row is stored as it was, with its kind and serial.
    GoodsRecord expected = model.Goods(0);
    expected.tabType = GoodsKind::Sale;
    QCOMPARE(stored.at(0), expected);
    QCOMPARE(stored.at(0).serial, r.serial);
    QCOMPARE(Spans(data).join(","), changed);
    QCOMPARE(numbers.size(), refused ? 1 : 0);
    QCOMPARE(edited.size(), 1);
    // The running totals equal a fresh count of the row.
    const PageTotals::RowSums share = model.RowShare(0);
    QCOMPARE(model.Totals().total.Value(), share.total);
    QCOMPARE(model.Totals().unpaid.Value(), share.unpaid);
}

void TestLedgerModel::failedSaveKeepsTheValueAndSaysWhy()
{
    TempStore store;
    REQUIRE_DB(store);
    LedgerModel model(Finance(FinanceKind::Income));
    QVERIFY(model.AddRow());
    QSignalSpy failed(&model, &LedgerModel::RowSaveFailed);
    QVERIFY(TempStore::Exec(store.Pg() ? "set default_transaction_read_only = on" : "pragma query_only = 1"));
    const Result saved = model.SetCell(0, 2, "12");
    QVERIFY(!saved);
    QVERIFY2(!saved.error().isEmpty(), "a failure names its reason");
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.at(0).at(1).toString(), saved.error());
    QCOMPARE(model.Text(0, 2), QString("12"));
    QVERIFY(model.data(model.index(0, 5), LedgerModel::SaveFailedRole).toBool());
    QVERIFY(model.data(model.index(0, 5), Qt::BackgroundRole).isValid());
    QCOMPARE(StoredFinanceOf(0).at(0).sum, QString());

    QVERIFY(
        TempStore::Exec(store.Pg() ? "set default_transaction_read_only = off" : "pragma query_only = 0"));
    QVERIFY(model.SetCell(0, 2, "13"));
    QVERIFY(!model.SaveFailed(0));
    QVERIFY(!model.data(model.index(0, 5), Qt::BackgroundRole).isValid());
    QCOMPARE(StoredFinanceOf(0).at(0).sum, QString("13"));
}

// A fill of many rows is summed in slices between events; nothing of it
// reaches the store, and the totals arrive whole.
void TestLedgerModel::loadingNeverSaves()
{
    TempStore store;
    REQUIRE_DB(store);
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("seed %u", seed);
    QRandomGenerator random(seed);
    GoodsList rows;
    PageTotals::Sums expected;
    for (int i = 0; i < 30000; ++i) {
        GoodsRecord r = MakeGoods(GoodsKind::PurchaseIn, QString::number(i), "2024-02-29");
        r.num = QString::number(random.bounded(1, 50));
        r.price = QString::number(random.bounded(1, 9999) / 100.0);
        // Every seventh row has no total: quantity x price is counted and shown.
        r.total = i % 7 ? QString::number(r.num.toInt() * 2) : QString();
        expected.Add(PageTotals::GoodsRow({r.num, r.price, r.total, r.pay, r.debt}));
        rows << r;
    }
    LedgerModel model(Goods(GoodsKind::PurchaseIn));
    QSignalSpy totals(&model, &LedgerModel::TotalsChanged);
    model.SetGoodsRows(rows, true);
    QCOMPARE(model.rowCount(), rows.size());
    QTRY_VERIFY(!model.Filling());
    QCOMPARE(totals.size(), 1);
    QCOMPARE(model.Totals().total.Value(), expected.total.Value());
    QVERIFY(!model.Text(7, 11).isEmpty());
    QCOMPARE(StoredGoodsOf().size(), 0);
    // A query's rows leave the totals to the next edit or the totals button.
    model.SetGoodsRows(rows.mid(0, 3));
    QVERIFY(!model.TotalsValid());
    QCOMPARE(totals.size(), 1);
}

void TestLedgerModel::totalsFollowEveryChange()
{
    TempStore store;
    REQUIRE_DB(store);
    LedgerModel model(Goods(GoodsKind::PurchaseIn));
    model.SetGoodsRows({}, true);
    for (int i = 0; i < 3; ++i)
        QVERIFY(model.AddRow());
    QVERIFY(model.SetCell(0, 9, "2") && model.SetCell(0, 10, "3"));
    QVERIFY(model.SetCell(1, 11, "10") && model.SetCell(1, 12, "4"));
    QVERIFY(model.SetCell(2, 9, "1") && model.SetCell(2, 10, "0.1"));
    const auto line = [&model] {
        return QStringLiteral("%1|%2|%3")
            .arg(model.Totals().total.Value().ToText(), model.Totals().paid.Value().ToText(),
                 model.Totals().unpaid.Value().ToText());
    };
    QCOMPARE(line(), QString("16.1|4|12.1"));
    QVERIFY(model.RemoveRow(1));
    QCOMPARE(line(), QString("6.1|0|6.1"));
    QCOMPARE(StoredGoodsOf(GoodsKind::PurchaseIn).size(), 2);
    // A full count after all that gives the very same figures.
    const QString running = line();
    model.ComputeTotals();
    QCOMPARE(line(), running);

    // The profit page totals its operating-profit row only, the last row of
    // the profit computation.
    LedgerModel profit(Finance(FinanceKind::Profit));
    QCOMPARE(profit.page().totalsItem, Profit::RowLabel(Profit::ProfitRow));
    FinanceRecord a;
    a.item = profit.page().totalsItem;
    a.sum = "232.25";
    FinanceRecord b;
    b.item = "收款总额";
    b.sum = "300";
    profit.SetFinanceRows({b, a}, true);
    QCOMPARE(profit.Totals().total.Value().ToText(), QString("232.25"));
}

void TestLedgerModel::rowGuards()
{
    TempStore store;
    REQUIRE_DB(store);
    LedgerModel model(Finance(FinanceKind::Debts));
    QVERIFY(model.AddRow());
    QVERIFY(model.AddRow());
    const struct
    {
        int row;
        int column;
        bool ok;
    } cells[] = {{-1, 2, false}, {0, 2, true}, {1, 2, true}, {2, 2, false},
                 {0, 0, false},  {0, 8, true}, {0, 9, false}};
    for (const auto &c : cells)
        QCOMPARE(bool(model.SetCell(c.row, c.column, "1")), c.ok);
    QVERIFY(!model.RemoveRow(2));
    QVERIFY(!model.RemoveRow(-1));
    QCOMPARE(StoredFinanceOf(FinanceKind::Debts).size(), 2);
    QVERIFY(model.RemoveRow(1));
    QCOMPARE(model.rowCount(), 1);
    QVERIFY(model.Clear());
    QCOMPARE(model.rowCount() + StoredFinanceOf(FinanceKind::Debts).size(), 0);
}

void TestLedgerModel::computedPagesAreReadOnly()
{
    TempStore store;
    REQUIRE_DB(store);
    LedgerModel stock(Goods(GoodsKind::CurrentStock));
    GoodsRecord r;
    r.model = "M1";
    r.num = "5";
    r.time = "not a date";
    stock.SetGoodsRows({r});
    for (int c = 0; c < stock.columnCount(); ++c)
        QVERIFY(!(stock.flags(stock.index(0, c)) & Qt::ItemIsEditable));
    QVERIFY(!stock.setData(stock.index(0, 3), "M2"));
    QVERIFY(!stock.AddRow() && !stock.RemoveRow(0) && !stock.Clear());
    // An oversold article's stock is painted red, any other not.
    GoodsRecord oversold = r;
    oversold.num = "-2";
    stock.SetGoodsRows({r, oversold});
    QVERIFY(!stock.data(stock.index(0, 9), Qt::ForegroundRole).isValid());
    QVERIFY(stock.data(stock.index(1, 9), Qt::ForegroundRole).isValid());
    QVERIFY(!stock.data(stock.index(1, 8), Qt::ForegroundRole).isValid());
    // Placeholders and a date that is none stay blank; the total column is a figure.
    QCOMPARE(stock.Text(0, 3) + "|" + stock.Text(0, 7) + "|" + stock.Text(0, 9), QString("M1||5"));
    QCOMPARE(StoredGoodsOf().size(), 0);
}

void TestLedgerModel::newRowsAndSerials()
{
    TempStore store;
    REQUIRE_DB(store);
    LedgerModel model(Finance(FinanceKind::Salaries));
    // Rows made within one millisecond still get serials of their own, in
    // order: the store finds a row by its serial.
    for (int i = 0; i < 20; ++i) {
        QVERIFY(model.AddRow());
        QVERIFY(i == 0 || model.Text(i - 1, 0) < model.Text(i, 0));
    }
    QCOMPARE(StoredFinanceOf(FinanceKind::Salaries).size(), 20);
    const FinanceRecord first = StoredFinanceOf(FinanceKind::Salaries).at(0);
    QCOMPARE(first.time, QDate::currentDate().toString("yyyy-MM-dd"));
    QCOMPARE(first.item + first.sum + first.client + first.remark, QString());
}

void TestLedgerModel::replacedRowsLeaveSharedCopiesWhole_data()
{
    QTest::addColumn<int>("count");
    // Freed at once below the limit, on a worker from it on.
    QTest::newRow("one below the limit") << 9999;
    QTest::newRow("at the limit") << 10000;
}

void TestLedgerModel::replacedRowsLeaveSharedCopiesWhole()
{
    QFETCH(int, count);
    const auto rowsOf = [count](const QString &tag) {
        GoodsList rows;
        for (int i = 0; i < count; ++i) {
            GoodsRecord r;
            r.serial = tag + QString::number(i);
            rows << r;
        }
        return rows;
    };
    const GoodsList held = rowsOf(QStringLiteral("a"));
    LedgerModel model(Goods(GoodsKind::PurchaseIn));
    // Rows shared with a copy held elsewhere, then rows only the page holds.
    model.SetGoodsRows(held, true);
    model.SetGoodsRows(rowsOf(QStringLiteral("b")), true);
    model.SetFinanceRows({}, true);
    model.SetGoodsRows(rowsOf(QStringLiteral("c")));
    QThreadPool::globalInstance()->waitForDone();
    QCOMPARE(held.size(), count);
    QCOMPARE(held.at(count / 2).serial, QStringLiteral("a%1").arg(count / 2));
    QCOMPARE(model.rowCount(), count);
    QCOMPARE(model.Text(count - 1, 0), QStringLiteral("c%1").arg(count - 1));
}

void TestLedgerModel::namesNotInTheirListAreMarked_data()
{
    QTest::addColumn<int>("page"); // goods kind, or 10 + finance kind
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("marked");
    using namespace GoodsKind;
    QTest::newRow("supplier in its list") << int(PurchaseIn) << 14 << "温州鞋业" << false;
    QTest::newRow("supplier not in it") << int(PurchaseReturn) << 14 << "宁波鞋厂" << true;
    QTest::newRow("part of a listed name") << int(PurchaseIn) << 14 << "州鞋" << true;
    QTest::newRow("listed name inside a longer one") << int(Sale) << 14 << "张三丰" << true;
    QTest::newRow("empty cell") << int(PurchaseIn) << 14 << "" << false;
    QTest::newRow("supplier is no customer") << int(SaleReturn) << 14 << "温州鞋业" << true;
    QTest::newRow("salesperson a distributor") << int(Sale) << 15 << "王五" << false;
    QTest::newRow("buyer not listed") << int(PurchaseIn) << 15 << "赵六" << true;
    QTest::newRow("finance customer not listed") << 10 + FinanceKind::Income << 4 << "赵六" << true;
    QTest::newRow("payee left alone") << 10 + FinanceKind::PurchasePayments << 4 << "赵六" << false;
    QTest::newRow("loss staff left alone") << int(Loss) << 14 << "赵六" << false;
    QTest::newRow("remark left alone") << int(Sale) << 18 << "赵六" << false;
}

// A name its list lacks is violet with a tip until it is put into the list.
void TestLedgerModel::namesNotInTheirListAreMarked()
{
    QFETCH(int, page);
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(bool, marked);
    const LedgerKinds::PageKind &kind = page >= 10 ? Finance(page - 10) : Goods(page);
    RowChoices lists;
    lists.suppliers = QStringList{"义乌鞋城", "温州鞋业"};
    lists.customers = QStringList{"张三"};
    lists.distributors = QStringList{"王五"};
    NameLists names;
    LedgerModel model(kind);
    model.SetNameLists(&names);
    FinanceRecord f;
    GoodsRecord g;
    f.setText(column, text);
    g.setText(column, text);
    page >= 10 ? model.SetFinanceRows({f}) : model.SetGoodsRows({g});
    const QModelIndex cell = model.index(0, column);
    QVERIFY2(!cell.data(LedgerModel::NotListedRole).toBool(), "nothing is marked before lists are read");
    names.Reset(lists);
    const auto typeIf = [marked](int type) { return marked ? type : int(QMetaType::UnknownType); };
    QCOMPARE(cell.data(LedgerModel::NotListedRole).toBool(), marked);
    QCOMPARE(cell.data(Qt::ForegroundRole).userType(), typeIf(QMetaType::QColor));
    QCOMPARE(cell.data(Qt::ToolTipRole).userType(), typeIf(QMetaType::QString));
    QCOMPARE(cell.data(Qt::ToolTipRole).toString(), marked ? QStringLiteral("不在名单中") : QString());
    if (!marked)
        return;
    // Put into the list 加入名单 chooses; the cell is repainted and plain.
    int storeKind = 0, infoType = 0;
    QVERIFY(NameLists::TargetOf(kind, column, &storeKind, &infoType));
    QCOMPARE(storeKind, int(InfoStore::People));
    const QMap<int, QStringList *> byType{{ListNo::Suppliers, &lists.suppliers},
                                          {ListNo::Customers, &lists.customers},
                                          {ListNo::Employees, &lists.employees}};
    QVERIFY(byType.contains(infoType));
    *byType.value(infoType) << text;
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    names.Reset(lists);
    QVERIFY(Spans(changed).contains(QStringLiteral("%1-%1").arg(column)));
    QVERIFY(!cell.data(LedgerModel::NotListedRole).toBool());
    QVERIFY(!cell.data(Qt::ForegroundRole).isValid() && !cell.data(Qt::ToolTipRole).isValid());
}

QTEST_GUILESS_MAIN(TestLedgerModel)
#include "test_ledgermodel.moc"
