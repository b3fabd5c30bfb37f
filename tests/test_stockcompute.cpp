#include "analytics/stockcompute.h"

#include <QtTest>

namespace {

const int kSuper = 1;
const int kPlain = 3;

GoodsRecord Row(int kind, const QString &serial, const QString &model, const QString &color,
                const QString &store, const QString &num, const QString &price = QString(),
                const QString &total = QString(), const QString &time = QStringLiteral("2024-03-01"))
{
    GoodsRecord r;
    r.tabType = kind;
    r.serial = serial;
    r.model = model;
    r.color = color;
    r.store = store;
    r.num = num;
    r.price = price;
    r.total = total;
    r.time = time;
    r.pay = QStringLiteral("7");
    r.debt = QStringLiteral("3");
    return r;
}

GoodsRecord In(const QString &serial, const QString &num, const QString &store = QStringLiteral("W1"),
               const QString &time = QStringLiteral("2024-03-01"))
{
    return Row(GoodsKind::PurchaseIn, serial, QStringLiteral("A"), QStringLiteral("red"), store, num,
               QStringLiteral("10"), QString::number(num.toInt() * 10), time);
}

GoodsRecord Move(int kind, const QString &serial, const QString &num,
                 const QString &time = QStringLiteral("2024-03-05"))
{
    return Row(kind, serial, QStringLiteral("A"), QStringLiteral("red"), QStringLiteral("W1"), num,
               QStringLiteral("12"), QString(), time);
}

const QString kInMerge = QStringLiteral("合并采购进货表--时间：%1,型号:%2,数目:%3的项\n");
const QString kSaleMerge = QStringLiteral("合并销售管理表--时间：%1,型号：%2,数目:%3的项\n");
const QString kSaleAnomaly = QStringLiteral("异常！请注意核查销售管理表,时间：%1，型号：%2，数目：%3比库存数据大\n");
const QString kSaleNotFound = QStringLiteral("请仔细核查销售售货表该行的各列信息，此记录在采购进货表或销售表不存在");

} // namespace

class TestStockCompute : public QObject
{
    Q_OBJECT
private slots:
    void mergesPurchaseInsPerArticle();
    void movements_data();
    void movements();
    void unmatchedMovementsAreAppended();
    void plainUserLosesPricesOnlyWhereTouched();
    void readOrderDecides();
    void movementMeetsEveryStockRowOfItsArticle();
    void percentSignsInTextsStayLiteral();
};

void TestStockCompute::mergesPurchaseInsPerArticle()
{
    const GoodsList in = { In("s1", "10", "W1", "2024-03-01"), In("s2", "5", "W1", "2024-03-02"),
                           In("s3", "4", "W2", "2024-03-03") };
    const GoodsList out = StockCompute::ComputeStock(in, kSuper);
    QCOMPARE(out.size(), 2);

    const GoodsRecord &w1 = out.at(0);
    QCOMPARE(w1.serial, QStringLiteral("s1"));
    QCOMPARE(w1.num, QStringLiteral("15"));
    QCOMPARE(w1.total, QStringLiteral("150"));
    QCOMPARE(w1.price, QStringLiteral("10"));
    QVERIFY(w1.pay.isEmpty());
    QVERIFY(w1.debt.isEmpty());
    QCOMPARE(w1.remark, kInMerge.arg("2024-03-02", "A", "5"));

    // Same model in another warehouse is a stock row of its own, untouched.
    const GoodsRecord &w2 = out.at(1);
    QCOMPARE(w2.store, QStringLiteral("W2"));
    QCOMPARE(w2.num, QStringLiteral("4"));
    QCOMPARE(w2.pay, QStringLiteral("7"));
    QVERIFY(w2.remark.isEmpty());

    // Colour is part of the article too.
    GoodsRecord blue = In("s4", "2");
    blue.color = QStringLiteral("blue");
    const GoodsList out2 = StockCompute::ComputeStock(GoodsList(in) << blue, kSuper);
    QCOMPARE(out2.size(), 3);
    QCOMPARE(out2.at(2).num, QStringLiteral("2"));
}

void TestStockCompute::movements_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("num");
    QTest::addColumn<QString>("stockNum");
    QTest::addColumn<QString>("stockTotal");
    QTest::addColumn<QString>("remark");
    QTest::addColumn<bool>("appended");

    const QString date = QStringLiteral("2024-03-05");
    // Stock row: 10 + 5 pieces at price 10, total 150 after the merge.
    const QString merged = kInMerge.arg("2024-03-02", "A", "5");
    QTest::newRow("sale within stock") << int(GoodsKind::Sale) << "4" << "11" << "110"
                                       << merged + kSaleMerge.arg(date, "A", "4") << false;
    QTest::newRow("sale of the whole stock") << int(GoodsKind::Sale) << "15" << "0" << "0"
                                             << merged + kSaleMerge.arg(date, "A", "15") << false;
    QTest::newRow("sale beyond stock") << int(GoodsKind::Sale) << "20" << "15" << "150"
                                       << merged + kSaleAnomaly.arg(date, "A", "20") << true;
    QTest::newRow("sale-return within")
        << int(GoodsKind::SaleReturn) << "3" << "18" << "180"
        << merged + QStringLiteral("合并销售退货表--时间：%1,型号：%2,数目:%3的项\n").arg(date, "A", "3") << false;
    QTest::newRow("purchase-return within")
        << int(GoodsKind::PurchaseReturn) << "2.5" << "12.5" << "125"
        << merged + QStringLiteral("合并采购退货表--时间：%1,型号：%2,数目:%3的项\n").arg(date, "A", "2.5") << false;
    QTest::newRow("loss within")
        << int(GoodsKind::Loss) << "1" << "14" << "140"
        << merged + QStringLiteral("合并损耗时间：%1,型号：%2,数目:%3的项\n").arg(date, "A", "1") << false;
    QTest::newRow("letters in the quantity count as zero") << int(GoodsKind::Sale) << "x" << "15" << "150"
                                                           << merged + kSaleMerge.arg(date, "A", "x") << false;
}

void TestStockCompute::movements()
{
    QFETCH(int, kind);
    QFETCH(QString, num);
    QFETCH(QString, stockNum);
    QFETCH(QString, stockTotal);
    QFETCH(QString, remark);
    QFETCH(bool, appended);

    // The movement is read between the two purchase-ins: they merge first anyway.
    const GoodsRecord move = Move(kind, "m1", num);
    const GoodsList in = { In("s1", "10", "W1", "2024-03-01"), move, In("s2", "5", "W1", "2024-03-02") };
    const GoodsList out = StockCompute::ComputeStock(in, kSuper);

    QCOMPARE(out.size(), appended ? 2 : 1);
    const GoodsRecord &s = out.at(0);
    QCOMPARE(s.num, stockNum);
    QCOMPARE(s.total, stockTotal);
    QCOMPARE(s.price, QStringLiteral("10"));
    QCOMPARE(s.remark, remark);
    QVERIFY(s.pay.isEmpty());
    QVERIFY(s.debt.isEmpty());
    // The stock an entry is checked against is the one the stock page shows.
    QCOMPARE(StockCompute::ArticleStock(in), stockNum.toDouble());
    if (appended) {
        // The rejected movement is reported as its own row, unchanged but for the remark.
        GoodsRecord expected = move;
        expected.remark = out.at(1).remark;
        QCOMPARE(out.at(1), expected);
        QVERIFY(!out.at(1).remark.isEmpty());
        QVERIFY(out.at(1).remark.startsWith(QStringLiteral("请仔细核查")));
    }
}

void TestStockCompute::unmatchedMovementsAreAppended()
{
    const int kind = GoodsKind::Sale;
    const QString remark = kSaleNotFound;
    // Model "B" was never purchased; the "A" in warehouse W2 is another article.
    GoodsRecord orphan = Move(kind, "m1", "2");
    orphan.model = QStringLiteral("B");
    orphan.remark = QStringLiteral("typed by the user");
    GoodsRecord elsewhere = Move(kind, "m2", "1");
    elsewhere.store = QStringLiteral("W2");
    const GoodsList in = { orphan, In("s1", "10"), elsewhere };
    const GoodsList out = StockCompute::ComputeStock(in, kSuper);

    QCOMPARE(out.size(), 3);
    QCOMPARE(out.at(0).serial, QStringLiteral("s1"));
    QCOMPARE(out.at(0).num, QStringLiteral("10"));
    QVERIFY(out.at(0).remark.isEmpty());
    QCOMPARE(out.at(0).pay, QStringLiteral("7")); // nothing touched it
    QCOMPARE(out.at(1).serial, QStringLiteral("m1"));
    QCOMPARE(out.at(1).tabType, kind);
    QCOMPARE(out.at(1).remark, remark);
    QCOMPARE(out.at(2).serial, QStringLiteral("m2"));
    QCOMPARE(out.at(2).remark, remark);
}

void TestStockCompute::plainUserLosesPricesOnlyWhereTouched()
{
    GoodsRecord other = In("t1", "3");
    other.model = QStringLiteral("Z");
    const GoodsList in = { In("s1", "10"), In("s2", "5"), other, Move(GoodsKind::Sale, "m1", "4") };

    const GoodsList out = StockCompute::ComputeStock(in, kPlain);
    QCOMPARE(out.size(), 2);
    QCOMPARE(out.at(0).num, QStringLiteral("11"));
    QVERIFY(out.at(0).price.isEmpty());
    QVERIFY(out.at(0).total.isEmpty());
    QVERIFY(out.at(0).pay.isEmpty());
    QCOMPARE(out.at(1).price, QStringLiteral("10"));
    QCOMPARE(out.at(1).total, QStringLiteral("30"));
    QCOMPARE(out.at(1).pay, QStringLiteral("7"));

    // Any type but 1 is treated alike.
    for (int type : { 0, 2, 4 })
        QCOMPARE(StockCompute::ComputeStock(in, type), out);

    // A lone purchase-in merged with nothing but adjusted by an anomaly also loses them.
    const GoodsList lone = { In("s1", "10"), Move(GoodsKind::Loss, "m1", "50") };
    const GoodsList out2 = StockCompute::ComputeStock(lone, kPlain);
    QVERIFY(out2.at(0).price.isEmpty());
    QCOMPARE(out2.at(0).num, QStringLiteral("10"));
}

void TestStockCompute::readOrderDecides()
{
    // Stock 10: a sale of 8 then a purchase-return of 5 rejects the return;
    // read the other way round, the return goes through and the sale is rejected.
    const GoodsRecord sale = Move(GoodsKind::Sale, "m1", "8", "2024-03-05");
    const GoodsRecord back = Move(GoodsKind::PurchaseReturn, "m2", "5", "2024-03-06");

    const GoodsList saleFirst = StockCompute::ComputeStock({ In("s1", "10"), sale, back }, kSuper);
    QCOMPARE(saleFirst.size(), 2);
    QCOMPARE(saleFirst.at(0).num, QStringLiteral("2"));
    QCOMPARE(saleFirst.at(0).total, QStringLiteral("20"));
    QCOMPARE(saleFirst.at(1).serial, QStringLiteral("m2"));

    const GoodsList backFirst = StockCompute::ComputeStock({ In("s1", "10"), back, sale }, kSuper);
    QCOMPARE(backFirst.size(), 2);
    QCOMPARE(backFirst.at(0).num, QStringLiteral("5"));
    QCOMPARE(backFirst.at(0).remark,
             QStringLiteral("合并采购退货表--时间：2024-03-06,型号：A,数目:5的项\n")
                 + kSaleAnomaly.arg("2024-03-05", "A", "8"));
    QCOMPARE(backFirst.at(1).serial, QStringLiteral("m1"));
    QCOMPARE(backFirst.at(1).remark, kSaleNotFound);
}

void TestStockCompute::movementMeetsEveryStockRowOfItsArticle()
{
    // The twin (same serial) is a stock row of the same article, so a sale is
    // taken from both; a sale that fits only one is noted as an anomaly on the
    // other but counts as found.
    const GoodsList in = { In("s1", "10"), In("s1", "3"), Move(GoodsKind::Sale, "m1", "2"),
                           Move(GoodsKind::Sale, "m2", "5") };
    const GoodsList out = StockCompute::ComputeStock(in, kSuper);
    QCOMPARE(out.size(), 2);
    QCOMPARE(out.at(0).num, QStringLiteral("3"));
    QCOMPARE(out.at(1).num, QStringLiteral("1"));
    QCOMPARE(out.at(1).remark, kSaleMerge.arg("2024-03-05", "A", "2") + kSaleAnomaly.arg("2024-03-05", "A", "5"));

    // A movement carrying the serial of a stock row is not applied to that row.
    const GoodsList clash = { In("s1", "10"), Move(GoodsKind::Sale, "s1", "2") };
    const GoodsList out2 = StockCompute::ComputeStock(clash, kSuper);
    QCOMPARE(out2.size(), 2);
    QCOMPARE(out2.at(0).num, QStringLiteral("10"));
    QCOMPARE(out2.at(1).remark, kSaleNotFound);
}

void TestStockCompute::percentSignsInTextsStayLiteral()
{
    GoodsRecord a = In("s1", "10");
    a.model = QStringLiteral("%2-%1");
    GoodsRecord b = In("s2", "5");
    b.model = a.model;
    b.time = QStringLiteral("%3");
    const GoodsList out = StockCompute::ComputeStock({ a, b }, kSuper);
    QCOMPARE(out.size(), 1);
    QCOMPARE(out.at(0).remark, QStringLiteral("合并采购进货表--时间：%3,型号:%2-%1,数目:5的项\n"));
}

QTEST_APPLESS_MAIN(TestStockCompute)
#include "test_stockcompute.moc"
