#include "analytics/profit.h"
#include "ledger/ledgerkinds.h"
#include "ledger/pagetotals.h"
#include "ledger/rowamounts.h"

#include "db/numbertext.h"

#include <QRandomGenerator>
#include <QtTest>

using RowAmounts::Goods;
using Rows = QVector<PageTotals::GoodsRowTexts>;
Q_DECLARE_METATYPE(Goods)
Q_DECLARE_METATYPE(Rows)

class TestPageTotals : public QObject
{
    Q_OBJECT
private slots:
    void derive_data();
    void derive();
    void refused_data();
    void refused();
    void goodsSums_data();
    void goodsSums();
    void derivedTotalsOnlyForRowsThatChange();
    void financeSum_data();
    void financeSum();
    void profitPageTotalIsTheOperatingProfit();
    void runningSumsEqualAFullRecount();
};

// Columns in order: quantity, price, total, paid, unpaid; then the amount the
// user just typed (None: the row is read for another reason).
using RowAmounts::Changed;
void TestPageTotals::derive_data()
{
    QTest::addColumn<Goods>("in");
    QTest::addColumn<int>("changed");
    QTest::addColumn<Goods>("out");
    const int none = int(Changed::None);
    QTest::newRow("quantity x price fills total, unpaid, paid")
        << Goods{"3", "2.5", "", "", ""} << none << Goods{"3", "2.5", "7.5", "0", "7.5"};
    QTest::newRow("price from total")
        << Goods{"4", "", "10", "", ""} << none << Goods{"4", "2.5", "10", "0", "10"};
    QTest::newRow("paid from unpaid")
        << Goods{"", "", "100", "", "30"} << none << Goods{"", "", "100", "70", "30"};
    QTest::newRow("a zero total counts as empty")
        << Goods{"2", "3", "0", "", ""} << none << Goods{"2", "3", "6", "0", "6"};
    QTest::newRow("stored figures kept as they are")
        << Goods{"20", "3", "60", "50", "60"} << none << Goods{"20", "3", "60", "50", "60"};
    QTest::newRow("no quantity: no price from the total")
        << Goods{"", "", "10", "", ""} << none << Goods{"", "", "10", "0", "10"};
    QTest::newRow("negative quantity: price left alone")
        << Goods{"-2", "", "10", "", ""} << none << Goods{"-2", "", "10", "0", "10"};
    QTest::newRow("new empty row")
        << Goods{"", "", "", "", ""} << none << Goods{"", "", "0", "0", "0"};
    QTest::newRow("millions stay exact")
        << Goods{"3", "411522.5", "", "", ""} << none << Goods{"3", "411522.5", "1234567.5", "0", "1234567.5"};
    QTest::newRow("price with a repeating decimal")
        << Goods{"3", "", "10", "", ""} << none << Goods{"3", "3.333333", "10", "0", "10"};
    // The changed amount leads: what follows from it is recomputed even when set.
    QTest::newRow("paid typed: unpaid follows")
        << Goods{"20", "3", "60", "50", "60"} << int(Changed::Pay) << Goods{"20", "3", "60", "50", "10"};
    QTest::newRow("paid emptied counts as 0")
        << Goods{"20", "3", "60", "", "10"} << int(Changed::Pay) << Goods{"20", "3", "60", "0", "60"};
    QTest::newRow("unpaid typed: paid follows")
        << Goods{"20", "3", "60", "50", "5"} << int(Changed::Debt) << Goods{"20", "3", "60", "55", "5"};
    QTest::newRow("quantity typed: total and unpaid follow")
        << Goods{"30", "3", "60", "50", "10"} << int(Changed::Num) << Goods{"30", "3", "90", "50", "40"};
    QTest::newRow("price typed: total and unpaid follow")
        << Goods{"20", "4", "60", "50", "10"} << int(Changed::Price) << Goods{"20", "4", "80", "50", "30"};
    QTest::newRow("price typed without a quantity: total kept")
        << Goods{"", "4", "60", "50", "10"} << int(Changed::Price) << Goods{"", "4", "60", "50", "10"};
    QTest::newRow("total typed: price and unpaid follow")
        << Goods{"20", "3", "100", "50", "10"} << int(Changed::Total) << Goods{"20", "5", "100", "50", "50"};
    QTest::newRow("total emptied: from quantity x price again")
        << Goods{"20", "3", "", "50", "10"} << int(Changed::Total) << Goods{"20", "3", "60", "50", "10"};
}

void TestPageTotals::derive()
{
    QFETCH(Goods, in);
    QFETCH(int, changed);
    QFETCH(Goods, out);
    const Goods got = RowAmounts::Derive(in, Changed(changed));
    QCOMPARE(got.num, out.num);
    QCOMPARE(got.price, out.price);
    QCOMPARE(got.total, out.total);
    QCOMPARE(got.pay, out.pay);
    QCOMPARE(got.debt, out.debt);
}

void TestPageTotals::refused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("refused");
    QTest::newRow("letters") << "abc" << true;
    QTest::newRow("digits then letters") << "12元" << true;
    QTest::newRow("empty is not refused") << "" << false;
    QTest::newRow("blanks only") << "   " << true;
    QTest::newRow("number with blanks") << " 3.5 " << false;
    QTest::newRow("negative") << "-4" << false;
}

void TestPageTotals::refused()
{
    QFETCH(QString, text);
    QFETCH(bool, refused);
    QCOMPARE(RowAmounts::IsRefused(text), refused);
}

void TestPageTotals::goodsSums_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("paid");
    QTest::addColumn<QString>("unpaid");
    QTest::newRow("empty page") << Rows{} << "0" << "0" << "0";
    QTest::newRow("empty total computed from quantity and price")
        << Rows{{"2", "3", "", "1", "5"}, {"1", "1", "4", "4", ""}} << "10" << "5" << "5";
    QTest::newRow("stock page: paid and unpaid empty")
        << Rows{{"5", "2", "10", "", ""}} << "10" << "0" << "0";
    QTest::newRow("letters count as zero")
        << Rows{{"x", "2", "", "y", "3"}} << "0" << "0" << "3";
    QTest::newRow("more than six digits without exponent")
        << Rows{{"", "", "1234567.5", "1000000", "234567.5"}, {"", "", "1111111", "", ""}}
        << "2345678.5" << "1000000" << "234567.5";
    QTest::newRow("cents of many rows do not drift")
        << Rows(1000, {"", "", "0.1", "0.1", ""}) << "100" << "100" << "0";
}

void TestPageTotals::goodsSums()
{
    QFETCH(Rows, rows);
    QFETCH(QString, total);
    QFETCH(QString, paid);
    QFETCH(QString, unpaid);
    const PageTotals::GoodsSums sums = PageTotals::SumGoods(rows);
    QCOMPARE(NumberText::ToText(sums.total), total);
    QCOMPARE(NumberText::ToText(sums.paid), paid);
    QCOMPARE(NumberText::ToText(sums.unpaid), unpaid);
}

void TestPageTotals::derivedTotalsOnlyForRowsThatChange()
{
    const Rows rows{{"2", "3", "", "", ""}, {"0", "0", "0", "", ""}, {"1", "1", "9", "", ""},
                    {"", "", "", "", ""}};
    const PageTotals::GoodsSums sums = PageTotals::SumGoods(rows);
    const QVector<QPair<int, QString>> expected{{0, "6"}, {3, "0"}};
    QCOMPARE(sums.derivedTotals, expected);
}

void TestPageTotals::financeSum_data()
{
    QTest::addColumn<QStringList>("sums");
    QTest::addColumn<QString>("total");
    QTest::newRow("empty page") << QStringList{} << "0";
    QTest::newRow("mixed") << QStringList{"12.5", "", "abc", "-2.5"} << "10";
    QTest::newRow("large amounts exact") << QStringList{"1234567.5", "1111111"} << "2345678.5";
}

void TestPageTotals::financeSum()
{
    QFETCH(QStringList, sums);
    QFETCH(QString, total);
    QCOMPARE(NumberText::ToText(PageTotals::SumFinance(sums)), total);
}

void TestPageTotals::profitPageTotalIsTheOperatingProfit()
{
    const LedgerKinds::PageKind *profit = LedgerKinds::Find(LedgerKinds::Group::Finance, FinanceKind::Profit);
    QCOMPARE(profit->totalsItem, QStringLiteral("经营利润"));
    FinanceList rows;
    Profit::ComputeProfit({{0, "a", "", "300"}, {2, "b", "", "50"}, {3, "c", "", "100"},
                           {6, "d", "", "15"}}, rows);
    QStringList items;
    QStringList sums;
    for (const FinanceRecord &r : rows) {
        items << r.item;
        sums << r.sum;
    }
    QCOMPARE(PageTotals::SumOfItem(items, sums, profit->totalsItem), 235.0);
    QCOMPARE(PageTotals::SumOfItem({}, {}, profit->totalsItem), 0.0);
    // Stored pages still add up every row.
    QVERIFY(LedgerKinds::Find(LedgerKinds::Group::Finance, FinanceKind::Income)->totalsItem.isEmpty());
}

// Edits adjust the sums by a row's old and new share; after any sequence of
// them the figures are those of summing the page afresh, to the last bit.
void TestPageTotals::runningSumsEqualAFullRecount()
{
    QRandomGenerator rng(15);
    const QStringList amounts{"", "0", "0.1", "0.2", "0.3", "-0.1", "1e-7", "12.345678", "1234567.89",
                              "abc", "99999999.99", "-250", "3"};
    auto pick = [&] { return amounts.at(rng.bounded(amounts.size())); };
    Rows rows(40);
    for (auto &r : rows)
        r = {pick(), pick(), pick(), pick(), pick()};
    QVector<PageTotals::RowSums> shares;
    PageTotals::Sums running;
    for (const auto &r : rows) {
        shares.append(PageTotals::GoodsRow(r));
        running.Add(shares.last());
    }
    for (int edit = 0; edit < 2000; ++edit) {
        const int i = rng.bounded(rows.size());
        QString *cells[] = {&rows[i].num, &rows[i].price, &rows[i].total, &rows[i].pay, &rows[i].debt};
        *cells[rng.bounded(5)] = pick();
        running.Remove(shares.at(i));
        shares[i] = PageTotals::GoodsRow(rows.at(i));
        running.Add(shares.at(i));
        const PageTotals::GoodsSums full = PageTotals::SumGoods(rows);
        QCOMPARE(running.total.Value(), full.total);
        QCOMPARE(running.paid.Value(), full.paid);
        QCOMPARE(running.unpaid.Value(), full.unpaid);
    }
    // Taking every row out leaves exactly nothing, not a rounding remainder.
    for (const auto &share : shares)
        running.Remove(share);
    QCOMPARE(NumberText::ToText(running.total.Value()), QString("0"));
    QCOMPARE(running.total.Value(), 0.0);
}

QTEST_GUILESS_MAIN(TestPageTotals)
#include "test_pagetotals.moc"
