// The owner's pages against a database: minimums, alerts, the stock page's
// value columns and the chain summary (three stores on one database; run once
// more on PostgreSQL as test_ownerpages_pg).
#include "analytics/chainsummary.h"
#include "analytics/stockalerts.h"
#include "db/chainstore.h"
#include "db/stockrules.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgermodel.h"
#include "query/queryprocess.h"
#include "query/reports.h"
#include "storetestsupport.h"

#include <QtTest>

namespace {

// kind, date, model, colour, quantity, price, total, unpaid (entered in list order).
GoodsRecord Goods(int kind, const QString &date, const QString &model, const QString &color,
                  const QString &num, const QString &price, const QString &total = QString(),
                  const QString &debt = QString())
{
    static int serial = 0;
    GoodsRecord r;
    r.tabType = kind;
    r.serial = QStringLiteral("%1 08:00:00:%2").arg(date).arg(++serial, 3, 10, QLatin1Char('0'));
    r.time = date;
    r.model = model;
    r.color = color;
    r.store = QStringLiteral("W1");
    r.num = num;
    r.price = price;
    r.total = total;
    r.debt = debt;
    return r;
}

} // namespace

class TestOwnerPages : public QObject
{
    Q_OBJECT

private slots:
    void minimum_data();
    void minimum();
    void alerts_data();
    void alerts();
    void stockPageValue();
    void ownerPagesTotalTheirTotalsRow();
    void chainSettings_data();
    void chainSettings();
    void chainOfThreeStores();
};

void TestOwnerPages::minimum_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<QString>("stored"); // min_num afterwards, "-" for no rule
    QTest::newRow("pieces") << " 7 " << true << "7";
    QTest::newRow("zero: the limit") << "0" << true << "0";
    QTest::newRow("below zero: one past") << "-0.5" << false << "3";
    QTest::newRow("no number") << "三" << false << "3";
    QTest::newRow("empty removes the rule") << "" << true << "-";
}

void TestOwnerPages::minimum()
{
    QFETCH(QString, text);
    TempStore db;
    REQUIRE_DB(db);
    QVERIFY(StockRules::Save("M1", "红", "3").ok());
    const Result saved = StockRules::Save("M1", "红", text);
    QTEST(saved.ok(), "saved");
    QVERIFY(saved.ok() || saved.error().contains(text.trimmed()));
    QFETCH(QString, stored);
    QCOMPARE(db.Count("tb_sm_stock_rule"), stored == "-" ? 0 : 1);
    if (stored != "-") {
        const QVariant value = db.Scalar("select min_num from tb_sm_stock_rule where product_model='M1' and "
                                         "product_color='红' and store_no='1'");
        QCOMPARE(value.toString(), stored);
        QCOMPARE(value.userType(), int(QMetaType::QString));
    }
    QVERIFY(!StockRules::Save("", "红", "1").ok());
}

void TestOwnerPages::alerts_data()
{
    QTest::addColumn<QString>("sold");
    QTest::addColumn<QString>("left"); // empty: no alert
    QTest::newRow("above the minimum by one") << "4"
                                              << "";
    QTest::newRow("at the minimum") << "5"
                                    << "5";
    QTest::newRow("below it") << "12"
                              << "-2";
}

void TestOwnerPages::alerts()
{
    QFETCH(QString, sold);
    TempStore db;
    REQUIRE_DB(db);
    for (const GoodsRecord &r :
         {Goods(0, "2026-01-01", "M1", "红", "10", "2"), Goods(2, "2026-01-03", "M1", "红", "0", "3"),
          Goods(2, "2026-01-02", "M1", "红", sold, "3"), Goods(0, "2026-01-01", "M1", "蓝", "1", "2"),
          Goods(3, "2026-01-04", "M1", "红", "x", "3")})
        QVERIFY(db.store()->SaveGoodsRow(r));
    QVERIFY(StockRules::Save("M1", "红", "5").ok());
    QVERIFY(StockRules::Save("M9", "", "0").ok());
    QVector<StockAlerts::Alert> alerts;
    QVERIFY(StockAlerts::Read(&alerts).ok());
    QFETCH(QString, left);
    // The article never entered has nothing: at its minimum 0, never sold.
    QCOMPARE(alerts.size(), left.isEmpty() ? 1 : 2);
    const GoodsList page = StockAlerts::PageRows(alerts);
    QCOMPARE((QStringList{page.last().model, page.last().num, page.last().oddNum, page.last().remark}),
             (QStringList{"M9", "0", "0", "从未售出"}));
    if (!left.isEmpty())
        QCOMPARE((QStringList{page.first().num, page.first().oddNum, page.first().time}),
                 (QStringList{left, "5", "2026-01-03"}));
    QCOMPARE(StockAlerts::LoginText(alerts.size()), QString("%1 种商品库存不足").arg(alerts.size()));
}

void TestOwnerPages::stockPageValue()
{
    TempStore db;
    REQUIRE_DB(db);
    for (const GoodsRecord &r :
         {Goods(0, "2026-01-01", "M1", "红", "10", "5", "50", "20"),
          Goods(0, "2026-01-02", "M1", "红", "10", "6.2", "62"), Goods(2, "2026-01-03", "M1", "红", "4", "9"),
          Goods(2, "2026-01-04", "M7", "红", "1", "9")})
        QVERIFY(db.store()->SaveGoodsRow(r));
    const LedgerKinds::PageKind &stock =
        *LedgerKinds::Find(LedgerKinds::Group::Goods, GoodsKind::CurrentStock);
    for (const int userType : {1, 2}) {
        QueryRequest request;
        request.dateMode = QueryDateMode::AllTime;
        request.noContentFilter = true;
        request.pageKind = GoodsKind::CurrentStock;
        request.userType = userType;
        LedgerLists lists;
        const QueryOutcome outcome = QueryWork::Execute(request, lists);
        QVERIFY2(outcome.ok, qPrintable(outcome.error));
        LedgerModel model(stock);
        model.SetGoodsRows(QueryWork::GoodsRowsToShow(outcome.code, lists));
        QCOMPARE(model.columnCount(), 21);
        QCOMPARE(model.headerData(20, Qt::Horizontal).toString(), QString("库存金额"));
        QCOMPARE(model.rowCount(), 2); // the stock row and the sale of M7 that found none
        // 16 left at 5.6; paid and unpaid stay empty; the unmatched sale has no value.
        const QString expected = userType == 1 ? "16|||5.6|89.6" : "16||||";
        QCOMPARE(QStringList({model.Text(0, 9), model.Text(0, 12), model.Text(0, 13), model.Text(0, 19),
                              model.Text(0, 20)})
                     .join('|'),
                 expected);
        QCOMPARE(model.Text(1, 19) + model.Text(1, 20), QString());
        model.ComputeTotals();
        QTRY_VERIFY(model.TotalsValid());
        QCOMPARE(model.Totals().paid.Value().ToText(), QString("0"));
        QCOMPARE(model.Totals().unpaid.Value().ToText(), userType == 1 ? QString("89.6") : QString("0"));
    }
    const Reports::Table table = Reports::Compute(Reports::Kind::Stock, 5, QString(), QString());
    QCOMPARE(table.titles.size(), 21);
    QCOMPARE(table.rows.first().mid(19), (QStringList{"5.6", "89.6"}));
    QCOMPARE(table.rows.first().at(12), QString());
}

void TestOwnerPages::ownerPagesTotalTheirTotalsRow()
{
    for (const int kind : {LedgerKinds::MarginKind, LedgerKinds::ChainKind}) {
        LedgerModel model(*LedgerKinds::Find(LedgerKinds::Group::Sales, kind));
        GoodsRecord a, b, total;
        a.total = "10";
        b.total = "5.5";
        total.serial = "合计";
        total.total = "15.5";
        total.pay = "4";
        total.debt = "11.5";
        model.SetGoodsRows({a, b, total});
        model.ComputeTotals();
        QTRY_VERIFY(model.TotalsValid());
        QCOMPARE(model.Totals().total.Value().ToText() + "|" + model.Totals().paid.Value().ToText() + "|"
                     + model.Totals().unpaid.Value().ToText(),
                 QString("15.5|4|11.5"));
        QCOMPARE(model.RowShare(0).total.ToText() + model.RowShare(2).total.ToText(), QString("015.5"));
    }
}

void TestOwnerPages::chainSettings_data()
{
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QStringList>("stores");
    QTest::newRow("absent") << "[StoreNo]\nNo=1\n" << QStringList();
    QTest::newRow("one") << "[Chain]\nStores=7\n" << QStringList{"7"};
    QTest::newRow("blanks and repeats") << "[Chain]\nStores=1, 2,,2 ,3\n" << QStringList{"1", "2", "3"};
}

void TestOwnerPages::chainSettings()
{
    QFETCH(QString, ini);
    QTemporaryDir dir;
    QFile file(dir.filePath("dBConfig.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(ini.toUtf8()) > 0);
    file.close();
    QTEST(ChainStore::Stores(file.fileName()), "stores");
}

void TestOwnerPages::chainOfThreeStores()
{
    TempStore db(QStringLiteral("1"));
    REQUIRE_DB(db);
    // Stores 1 to 3 and a fourth the settings do not name.
    const struct
    {
        const char *store;
        const char *sold;
    } stores[] = {{"1", "2"}, {"2", "5"}, {"3", "0"}, {"4", "9"}};
    for (const auto &s : stores) {
        db.store()->SetStoreNo(QString::fromLatin1(s.store));
        QVERIFY(db.store()->SaveGoodsRow(Goods(0, "2026-01-02", "M1", "红", "10", "4", "40", "15")));
        QVERIFY(db.store()->SaveGoodsRow(Goods(2, "2026-01-05", "M1", "红", s.sold, "10", "", "3")));
        QVERIFY(db.store()->SaveGoodsRow(Goods(2, "2026-02-05", "M1", "红", "1", "10", "10")));
        QVERIFY(db.store()->SaveFinanceRow(MakeFinance(0, s.store, "2026-01-09")));
    }
    db.store()->SetStoreNo("1");
    GoodsList rows;
    QString error;
    QVERIFY2(ChainSummary::Report(2, QString(), "2026-01", 1, {"1", "2", "3"}, rows, &error),
             qPrintable(error));
    QStringList shown;
    for (const GoodsRecord &r : rows)
        shown << QStringList{r.serial, r.total, r.pay, r.debt, r.supply, r.purchase, r.oddNum}.join('|');
    // Sales of 10 a piece bought at 4; the stock valued at the end of January.
    QCOMPARE(
        shown,
        (QStringList{"1|20|32|12|3|15|3", "2|50|20|30|3|15|3", "3|0|40|0|3|15|3", "合计|70|92|42|9|45|9"}));
    QVERIFY(!ChainSummary::Report(2, QString(), "2026-01", 2, {"1", "2", "3"}, rows, &error));
    QCOMPARE(error, QString("全店汇总只对超级用户开放"));
    QVERIFY(!ChainSummary::Report(5, QString(), QString(), 1, {}, rows, &error));
}

QTEST_GUILESS_MAIN(TestOwnerPages)
#include "test_ownerpages.moc"
