#include "analytics/profit.h"

#include <QtTest>

namespace {

using Entry = QPair<int, QString>; // tab type, sum text
using Entries = QList<Entry>;

FinanceList Input(const Entries &entries)
{
    FinanceList list;
    for (const Entry &e : entries) {
        FinanceRecord r;
        r.tabType = e.first;
        r.sum = e.second;
        r.item = QStringLiteral("销售收款");
        r.client = QStringLiteral("Li");
        list.append(r);
    }
    return list;
}

const QStringList kLabels = { "收款总额", "未收欠款总额", "其它收入总额", "采购支付总额",
                              "员工薪酬",  "水电租赁",     "其它支出",     "经营利润" };

} // namespace

Q_DECLARE_METATYPE(Entries)

class TestProfit : public QObject
{
    Q_OBJECT
private slots:
    void sums_data();
    void sums();
};

void TestProfit::sums_data()
{
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<QStringList>("totals"); // rows 0..6 then the profit
    QTest::addColumn<QVector<bool>>("labelled"); // rows 0..6 carry their label

    const QVector<bool> none(7, false);
    QTest::newRow("no rows") << Entries{} << QStringList{ "0", "0", "0", "0", "0", "0", "0", "0" } << none;
    QTest::newRow("receipts and a purchase payment")
        << Entries{ { 0, "100" }, { 0, "50.5" }, { 3, "30" } }
        << QStringList{ "150.5", "0", "0", "30", "0", "0", "0", "120.5" }
        << QVector<bool>{ true, false, false, true, false, false, false };
    QTest::newRow("every kind")
        << Entries{ { 6, "1" }, { 5, "2" }, { 4, "4" }, { 3, "8" }, { 2, "16" }, { 1, "32" }, { 0, "64" } }
        << QStringList{ "64", "32", "16", "8", "4", "2", "1", "97" } << QVector<bool>(7, true);
    QTest::newRow("millions with cents")
        << Entries{ { 0, "9999999.99" }, { 0, "0.01" }, { 6, "0.1" }, { 6, "0.2" } }
        << QStringList{ "10000000", "0", "0", "0", "0", "0", "0.3", "9999999.7" }
        << QVector<bool>{ true, false, false, false, false, false, true };
    QTest::newRow("other tab types ignored") << Entries{ { 7, "500" }, { -1, "5" }, { 8, "9" }, { 2, "3" } }
                                             << QStringList{ "0", "0", "3", "0", "0", "0", "0", "3" }
                                             << QVector<bool>{ false, false, true, false, false, false, false };
    // A row with a bad sum still makes its kind appear, at 0.
    QTest::newRow("text that is not a number") << Entries{ { 5, "abc" }, { 5, "" }, { 0, "12元" } }
                                               << QStringList{ "0", "0", "0", "0", "0", "0", "0", "0" }
                                               << QVector<bool>{ true, false, false, false, false, true, false };
}

void TestProfit::sums()
{
    QFETCH(Entries, entries);
    QFETCH(QStringList, totals);
    QFETCH(QVector<bool>, labelled);

    FinanceList out;
    Profit::ComputeProfit(Input(entries), out);
    QCOMPARE(out.size(), 8);
    for (int row = 0; row < 7; ++row) {
        QCOMPARE(out.at(row).sum, totals.at(row));
        QCOMPARE(out.at(row).item, labelled.at(row) ? kLabels.at(row) : QString());
        QCOMPARE(out.at(row).tabType, labelled.at(row) ? row : 0);
    }
    QCOMPARE(out.at(7).item, QStringLiteral("经营利润"));
    QCOMPARE(out.at(7).sum, totals.at(7));
}

QTEST_APPLESS_MAIN(TestProfit)
#include "test_profit.moc"
