// The moving-average cost and the owner's pages built on it, against figures
// worked out by hand.
#include "analytics/grossmargin.h"
#include "analytics/movingaverage.h"
#include "storetestsupport.h"

#include <QtTest>

namespace {

// "S 2026-01-05 08:00 4 9.9 39.6 C1 S1" (kind, date, time, quantity, price,
// total, customer, salesperson), optionally followed by model and colour
// (default "A" "red"). "-" stands for an empty text.
GoodsRecord Row(const QString &line)
{
    const QStringList f = line.split(QLatin1Char(' '));
    const auto at = [&f](int i, const char *fallback = "") {
        const QString t = f.value(i, QString::fromLatin1(fallback));
        return t == QLatin1String("-") ? QString() : t;
    };
    static const QString kinds = QStringLiteral("PRSBL"); // purchase, return, sale, sale-back, loss
    GoodsRecord r;
    r.tabType = kinds.indexOf(f.value(0));
    r.time = at(1);
    r.serial = at(1) + QLatin1Char(' ') + at(2) + QStringLiteral(":00:000");
    r.num = at(3);
    r.price = at(4);
    r.total = at(5);
    r.supply = at(6);
    r.purchase = at(7);
    r.model = at(8, "A");
    r.color = at(9, "red");
    r.name = QStringLiteral("名") + r.model;
    return r;
}

GoodsList Rows(const QStringList &lines)
{
    GoodsList rows;
    for (const QString &s : lines)
        rows.append(Row(s));
    return rows;
}

// The worked example: two articles, every kind of row, one before, one after
// and one inside the period that is no number, listed out of date order.
const QStringList kLedger = {
    "P 2026-01-02 09:00 10 5 50",
    "P 2026-01-03 09:00 10 6.2 62",
    "R 2026-01-04 09:00 2 6.2 12.4",
    "P 2026-01-05 09:00 6 8.4 50.4", // entered after the sale below, on the same day
    "S 2026-01-05 08:00 4 9.9 39.6 C1 S1",
    "S 2026-01-06 09:00 5 10 50 C2 S1",
    "B 2026-01-07 09:00 1 9.9 9.9 C1 S1",
    "L 2026-01-08 09:00 1 6 6",
    "S 2026-01-09 09:00 20 10 200 C3 S2",
    "B 2026-01-10 09:00 2 9 18 C9 S9",
    "S 2026-01-11 09:00 abc 10 10 C1 S1",
    "S 2026-02-01 09:00 1 10 10 C1 S1",
    "P 2026-01-02 10:00 3 2.5 7.5 - - B blue",
    "S 2026-01-06 10:00 1 4 4 C1 S1 B blue",
};

} // namespace

class TestMargin : public QObject
{
    Q_OBJECT

private slots:
    void movingAverage_data();
    void movingAverage();
    void workedExample();
    void conditions_data();
    void conditions();
    void periodBounds_data();
    void periodBounds();
    void storeReport();
};

void TestMargin::movingAverage_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("average");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("lastCost");
    QTest::addColumn<bool>("belowZero");
    QTest::addColumn<int>("skipped");

    const QString p1 = "P 2026-01-01 09:00 10 5 50", p2 = "P 2026-01-02 09:00 10 6.2 62";
    QTest::newRow("purchases at changing prices") << QStringList{p1, p2} << "20"
                                                  << "5.6"
                                                  << "112"
                                                  << "0" << false << 0;
    QTest::newRow("purchase return at the average")
        << QStringList{p1, p2, "R 2026-01-03 09:00 2 9 18"} << "18"
        << "5.6"
        << "100.8"
        << "11.2" << false << 0;
    QTest::newRow("sale of the whole stock")
        << QStringList{"P 2026-01-01 09:00 4 2.5 10", "S 2026-01-02 09:00 4 3 12"} << "0"
        << "2.5"
        << "0"
        << "10" << false << 0;
    QTest::newRow("sale one past the stock")
        << QStringList{"P 2026-01-01 09:00 4 2.5 10", "S 2026-01-02 09:00 5 3 15"} << "-1"
        << "2.5"
        << "-2.5"
        << "12.5" << true << 0;
    QTest::newRow("sale with nothing ever bought") << QStringList{"S 2026-01-02 09:00 2 3 6"} << "-2"
                                                   << "0"
                                                   << "0"
                                                   << "0" << true << 0;
    QTest::newRow("purchase after a shortfall sets the cost")
        << QStringList{"P 2026-01-01 09:00 3 2 6", "S 2026-01-02 09:00 5 4 20", "P 2026-01-03 09:00 10 3 30"}
        << "8"
        << "3"
        << "24"
        << "0" << false << 0;
    QTest::newRow("sale return at its sale's cost")
        << QStringList{p1, "S 2026-01-02 09:00 2 9 18 C1 S1", "P 2026-01-03 09:00 10 8 80",
                       "B 2026-01-04 09:00 1 9 9 C1 S1"}
        << "19"
        << "6.578947"
        << "125"
        << "5" << false << 0;
    QTest::newRow("sale return of another customer at the current average")
        << QStringList{p1, "S 2026-01-02 09:00 2 9 18 C1 S1", "P 2026-01-03 09:00 10 8 80",
                       "B 2026-01-04 09:00 1 9 9 C2 S1"}
        << "19"
        << "6.666667"
        << "126.666667"
        << "6.666667" << false << 0;
    QTest::newRow("loss at the average") << QStringList{p1, p2, "L 2026-01-03 09:00 3 1 3"} << "17"
                                         << "5.6"
                                         << "95.2"
                                         << "16.8" << false << 0;
    QTest::newRow("same day: entry time decides")
        << QStringList{"P 2026-01-02 10:00 10 8 80", p1, "S 2026-01-02 09:00 10 9 90"} << "10"
        << "8"
        << "80"
        << "0" << false << 0; // sold at 5 before the purchase came in, not at 6.5
    QTest::newRow("quantity and price that are no numbers are skipped")
        << QStringList{p1, "S 2026-01-02 09:00 x 9 9", "S 2026-01-02 09:01 1 - 9", "S 2026-01-02 09:02 - 9 9"}
        << "10"
        << "5"
        << "50"
        << "0" << false << 3;
    QTest::newRow("cents stay exact")
        << QStringList{"P 2026-01-01 09:00 3 0.1 0.3", "P 2026-01-02 09:00 3 0.2 0.6",
                       "S 2026-01-03 09:00 2 1 2"}
        << "4"
        << "0.15"
        << "0.6"
        << "0.3" << false << 0;
}

void TestMargin::movingAverage()
{
    QFETCH(QStringList, rows);
    const GoodsList ledger = Rows(rows);
    MovingAverage costs;
    MovingAverage::Step last;
    for (const int i : MovingAverage::CostOrder(ledger)) {
        const MovingAverage::Step step = costs.Apply(ledger.at(i));
        if (step.applied)
            last = step;
    }
    const MovingAverage::Article a = costs.ArticleOf(QStringLiteral("A"), QStringLiteral("red"));
    QTEST(a.quantity.ToText(), "quantity");
    QTEST(a.average.ToText(), "average");
    QTEST(a.value.ToText(), "value");
    QTEST(last.cost.ToText(), "lastCost");
    QTEST(last.belowZero, "belowZero");
    QTEST(costs.skipped(), "skipped");
}

void TestMargin::workedExample()
{
    // A (red), period 2026-01-05 .. 2026-01-31; averages 5.6 before it.
    //  sale 4 at 5.6 = 22.4; purchase 6 at 8.4 -> 20 at 6.44; sale 5 = 32.2;
    //  return of C1's sale: 1 back at 5.6 -> 16 at 6.3875; loss 1 = 6.3875;
    //  sale 20 of 15 = 127.75 (short); return matching no sale: 2 at 6.3875 = 12.775.
    // Sold 29 - 3 = 26, revenue 289.6 - 27.9 = 261.7, cost 182.35 - 18.375 = 163.975.
    const GrossMargin::Result result = GrossMargin::Compute(Rows(kLedger), "2026-01-05", "2026-01-31");
    QCOMPARE(result.lines.size(), 2);
    const GrossMargin::Line &a = result.lines.at(0);
    QCOMPARE(a.model + a.color, QStringLiteral("Ared"));
    QCOMPARE(a.sold.ToText(), QStringLiteral("26"));
    QCOMPARE(a.revenue.ToText(), QStringLiteral("261.7"));
    QCOMPARE(a.cost.ToText(), QStringLiteral("163.975"));
    QCOMPARE(a.Profit().ToText(), QStringLiteral("97.725"));
    QCOMPARE(GrossMargin::MarginText(a.Profit(), a.revenue), QStringLiteral("37.34"));
    QCOMPARE(a.lossQuantity.ToText(), QStringLiteral("1"));
    QCOMPARE(a.lossCost.ToText(), QStringLiteral("6.3875"));
    QCOMPARE(a.belowZero, 1);
    QCOMPARE(result.skipped, 1);

    // The page: one row per article, then 合计 with the sums; every text as written.
    const GoodsList page = GrossMargin::PageRows(result);
    QCOMPARE(page.size(), 3);
    const QStringList expected[] = {
        {"", "名A", "A", "red", "26", "261.7", "163.975", "97.725", "37.34", "1", "6.3875",
         "1笔销售时库存不足，按最近的平均成本计"},
        {"", "名B", "B", "blue", "1", "4", "2.5", "1.5", "37.5", "0", "0", ""},
        {"合计", "", "合计", "", "27", "265.7", "166.475", "99.225", "37.34", "1", "6.3875",
         "1笔销售时库存不足，按最近的平均成本计\n1行数量或单价不是数字，未计入"},
    };
    for (int i = 0; i < page.size(); ++i) {
        const GoodsRecord &r = page.at(i);
        QCOMPARE(r.tabType, int(GoodsKind::Sale));
        QCOMPARE((QStringList{r.serial, r.name, r.model, r.color, r.num, r.total, r.pay, r.debt, r.supply,
                              r.purchase, r.oddNum, r.remark}),
                 expected[i]);
    }
}

void TestMargin::conditions_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("seller");
    QTest::addColumn<QStringList>("shown"); // model, sold, cost of each line
    QTest::newRow("none") << ""
                          << "" << QStringList{"A 26 163.975", "B 1 2.5"};
    QTest::newRow("model") << "A"
                           << "" << QStringList{"A 26 163.975"};
    // S1's sales of A: 4 at 5.6 and 5 at 6.44 less C1's return at 5.6; the others still move the costs.
    QTest::newRow("salesperson") << ""
                                 << "1" << QStringList{"A 8 49", "B 1 2.5"};
    QTest::newRow("matching nothing") << "Q"
                                      << "" << QStringList{};
}

void TestMargin::conditions()
{
    QFETCH(QString, model);
    QFETCH(QString, seller);
    const GrossMargin::Result result =
        GrossMargin::Compute(Rows(kLedger), "2026-01-05", "2026-01-31", {model, seller});
    QStringList shown;
    for (const GrossMargin::Line &l : result.lines)
        shown << QStringList{l.model, l.sold.ToText(), l.cost.ToText()}.join(' ');
    QTEST(shown, "shown");
}

void TestMargin::periodBounds_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("sold");
    QTest::newRow("day before") << "2026-03-09"
                                << "";
    QTest::newRow("first day") << "2026-03-10"
                               << "2";
    QTest::newRow("last day") << "2026-03-20"
                              << "2";
    QTest::newRow("day after") << "2026-03-21"
                               << "";
}

void TestMargin::periodBounds()
{
    QFETCH(QString, date);
    const GoodsList rows = Rows({"P 2026-01-01 09:00 10 5 50", "S " + date + " 09:00 2 7 14 C1 S1"});
    const GrossMargin::Result result = GrossMargin::Compute(rows, "2026-03-10", "2026-03-20");
    QTEST(result.lines.isEmpty() ? QString() : result.lines.first().sold.ToText(), "sold");
    // Before the period or after it, the sale still moves nothing on the page's totals.
    QTEST(result.total.sold.IsZero() ? QString() : result.total.sold.ToText(), "sold");
}

void TestMargin::storeReport()
{
    TempStore db;
    REQUIRE_DB(db);
    const GoodsList rows = Rows(kLedger);
    for (const GoodsRecord &r : rows)
        QVERIFY(db.store()->SaveGoodsRow(r));
    GoodsList page;
    QString error;
    QVERIFY2(GrossMargin::Report(4, "2026-01-05", "2026-01-31", {}, page, &error), qPrintable(error));
    QCOMPARE(page, GrossMargin::PageRows(GrossMargin::Compute(rows, "2026-01-05", "2026-01-31")));
    QCOMPARE(page.last().debt, QStringLiteral("99.225"));
    QVERIFY(!GrossMargin::Report(2, QString(), "2026-13", {}, page, &error));
    QVERIFY(error.contains("2026-13"));
}

QTEST_GUILESS_MAIN(TestMargin)
#include "test_margin.moc"
