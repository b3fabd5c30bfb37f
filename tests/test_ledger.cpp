#include "db/datetext.h"
#include "db/numbertext.h"
#include "ledger/pagetotals.h"
#include "ledger/rowamounts.h"
#include "query/queryfilter.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

using RowAmounts::Changed;
using RowAmounts::Goods;

namespace {

// "quantity|price|total|paid|unpaid"
Goods G(const QString &text)
{
    const QStringList f = text.split(QLatin1Char('|'));
    return Goods{f.value(0), f.value(1), f.value(2), f.value(3), f.value(4)};
}

QString Text(const Goods &g)
{
    return QStringList{g.num, g.price, g.total, g.pay, g.debt}.join(QLatin1Char('|'));
}

QVector<PageTotals::GoodsRowTexts> Rows(const QStringList &rows)
{
    QVector<PageTotals::GoodsRowTexts> out;
    for (const QString &r : rows) {
        const Goods g = G(r);
        out.append({g.num, g.price, g.total, g.pay, g.debt});
    }
    return out;
}

enum FilterGroup { GoodsPage, SalesPage, FinancePage };

// Whether one record holding `value` in `column` passes the group's conditions.
bool Passes(int group, int column, const QString &value, const QStringList &conditions)
{
    if (group == FinancePage) {
        FinanceRecord r;
        r.setText(column, value);
        return QueryFilter::FilterFinance({r}, conditions).size() == 1;
    }
    GoodsRecord r;
    r.setText(column, value);
    return (group == GoodsPage ? QueryFilter::FilterGoods({r}, conditions)
                               : QueryFilter::FilterSales({r}, conditions))
               .size()
        == 1;
}

QStringList OneCondition(int group, const QString &widget, const QString &text)
{
    const QVector<QueryFilter::ConditionField> &fields = group == GoodsPage ? QueryFilter::GoodsFields()
        : group == SalesPage                                                ? QueryFilter::SalesFields()
                                                                            : QueryFilter::FinanceFields();
    QStringList conditions;
    for (const QueryFilter::ConditionField &f : fields)
        conditions << (f.widget == widget ? text : QString());
    return conditions;
}

} // namespace

class TestLedger : public QObject
{
    Q_OBJECT
private slots:
    void derive_data();
    void derive();
    void sums_data();
    void sums();
    void runningSumsEqualAFullRecount();
    void typedDates_data();
    void typedDates();
    void eachCondition_data();
    void eachCondition();
};

void TestLedger::derive_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<int>("changed"); // the amount just typed; None: read for another reason
    QTest::addColumn<QString>("out");
    const int none = int(Changed::None);
    QTest::newRow("quantity x price") << "3|2.5|||" << none << "3|2.5|7.5|0|7.5";
    QTest::newRow("price from total") << "4||10||" << none << "4|2.5|10|0|10";
    QTest::newRow("paid from unpaid") << "||100||30" << none << "||100|70|30";
    QTest::newRow("zero total counts as empty") << "2|3|0||" << none << "2|3|6|0|6";
    QTest::newRow("stored figures kept") << "20|3|60|50|60" << none << "20|3|60|50|60";
    QTest::newRow("no quantity: no price") << "||10||" << none << "||10|0|10";
    QTest::newRow("new empty row") << "||||" << none << "||0|0|0";
    QTest::newRow("millions exact") << "3|411522.5|||" << none << "3|411522.5|1234567.5|0|1234567.5";
    QTest::newRow("repeating decimal") << "3||10||" << none << "3|3.333333|10|0|10";
    QTest::newRow("paid typed") << "20|3|60|50|60" << int(Changed::Pay) << "20|3|60|50|10";
    QTest::newRow("paid emptied") << "20|3|60||10" << int(Changed::Pay) << "20|3|60|0|60";
    QTest::newRow("unpaid typed") << "20|3|60|50|5" << int(Changed::Debt) << "20|3|60|55|5";
    QTest::newRow("quantity typed") << "30|3|60|50|10" << int(Changed::Num) << "30|3|90|50|40";
    QTest::newRow("price typed") << "20|4|60|50|10" << int(Changed::Price) << "20|4|80|50|30";
    QTest::newRow("price typed, no quantity") << "|4|60|50|10" << int(Changed::Price) << "|4|60|50|10";
    QTest::newRow("total typed") << "20|3|100|50|10" << int(Changed::Total) << "20|5|100|50|50";
    QTest::newRow("total emptied") << "20|3||50|10" << int(Changed::Total) << "20|3|60|50|10";
    // Past 2^53 millionths a double gains stray digits; these must not.
    QTest::newRow("ten billions") << "1|13391747672.44|||" << none
                                  << "1|13391747672.44|13391747672.44|0|13391747672.44";
    QTest::newRow("product rounded half to even")
        << "2.5|0.000001|||" << none << "2.5|0.000001|0.000002|0|0.000002"; // 0.0000025
    QTest::newRow("paid of a quadrillion") << "||999999999999999.99|0.01|" << int(Changed::Pay)
                                           << "||999999999999999.99|0.01|999999999999999.98";
    QTest::newRow("price of a quadrillion")
        << "3||1000000000000000||" << none << "3|333333333333333.333333|1000000000000000|0|1000000000000000";
}

void TestLedger::derive()
{
    QFETCH(QString, in);
    QFETCH(int, changed);
    QFETCH(QString, out);
    QCOMPARE(Text(RowAmounts::Derive(G(in), Changed(changed))), out);
}

void TestLedger::sums_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("totals"); // total|paid|unpaid
    QTest::newRow("empty total from quantity x price") << QStringList{"2|3||1|5", "1|1|4|4|"} << "10|5|5";
    QTest::newRow("letters count as zero") << QStringList{"x|2||y|3"} << "0|0|3";
    QTest::newRow("millions exact") << QStringList{"||1234567.5|1000000|234567.5", "||1111111||"}
                                    << "2345678.5|1000000|234567.5";
    QTest::newRow("ten billions, no stray digits")
        << QStringList{"||13391747672.44|8589934592.07|4801813080.37", "1|0.000001|||"}
        << "13391747672.440001|8589934592.07|4801813080.37";
    QTest::newRow("cents do not drift")
        << QStringList(QVector<QString>(1000, "||0.1|0.1|").toList()) << "100|100|0";
}

void TestLedger::sums()
{
    QFETCH(QStringList, rows);
    QFETCH(QString, totals);
    const PageTotals::GoodsSums s = PageTotals::SumGoods(Rows(rows));
    QCOMPARE(
        QStringList({NumberText::ToText(s.total), NumberText::ToText(s.paid), NumberText::ToText(s.unpaid)})
            .join(QLatin1Char('|')),
        totals);
    QCOMPARE(NumberText::ToText(PageTotals::SumFinance({"12.5", "", "abc", "-2.5", "1234567.5"})),
             QStringLiteral("1234577.5"));
    // Only rows whose total was derived are handed back to be written.
    const PageTotals::GoodsSums d = PageTotals::SumGoods(Rows({"2|3|||", "0|0|0||", "1|1|9||", "||||"}));
    QCOMPARE(d.derivedTotals, (QVector<QPair<int, QString>>{{0, "6"}, {3, "0"}}));
}

// Edits adjust the sums by a row's old and new share; after any sequence of
// them the figures are those of summing the page afresh, to the last bit.
void TestLedger::runningSumsEqualAFullRecount()
{
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("seed %u", seed);
    QRandomGenerator rng(seed);
    const QStringList amounts{"",          "0",          "0.1", "0.2",  "-0.1",           "1e-7",
                              "12.345678", "1234567.89", "abc", "-250", "13391747672.44", "1e15"};
    auto pick = [&] { return amounts.at(rng.bounded(amounts.size())); };
    QVector<PageTotals::GoodsRowTexts> rows(40);
    QVector<PageTotals::RowSums> shares(rows.size());
    PageTotals::Sums running;
    for (int edit = 0; edit < 2000; ++edit) {
        const int i = rng.bounded(rows.size());
        rows[i] = {pick(), pick(), pick(), pick(), pick()};
        running.Remove(shares.at(i));
        shares[i] = PageTotals::GoodsRow(rows.at(i));
        running.Add(shares.at(i));
        const PageTotals::GoodsSums full = PageTotals::SumGoods(rows);
        QCOMPARE(running.total.Value(), full.total);
        QCOMPARE(running.paid.Value(), full.paid);
        QCOMPARE(running.unpaid.Value(), full.unpaid);
    }
    for (const auto &share : shares)
        running.Remove(share);
    QVERIFY(running.total.Value().IsZero()); // not a rounding remainder
}

void TestLedger::typedDates_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("date"); // empty: refused
    QTest::newRow("digits") << "20241201"
                            << "2024-12-01";
    QTest::newRow("short parts") << "2024-12-1"
                                 << "2024-12-01";
    QTest::newRow("slashes") << "2024/2/29"
                             << "2024-02-29";
    QTest::newRow("month and day") << "12-01"
                                   << "2026-12-01";
    QTest::newRow("four digits") << "1201"
                                 << "2026-12-01";
    QTest::newRow("spaces around") << " 0301 "
                                   << "2026-03-01";
    QTest::newRow("no leap day") << "2023-02-29"
                                 << "";
    QTest::newRow("month 13") << "1301"
                              << "";
    QTest::newRow("day 0") << "20241200"
                           << "";
    QTest::newRow("year 0") << "0000-01-01"
                            << "";
    QTest::newRow("three digits") << "120"
                                  << "";
    QTest::newRow("nine digits") << "202412011"
                                 << "";
    QTest::newRow("text after") << "2024-12-01x"
                                << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestLedger::typedDates()
{
    QFETCH(QString, typed);
    QFETCH(QString, date);
    const QDate parsed = DateText::FromTyped(typed, QDate(2026, 12, 6));
    QCOMPARE(parsed.isValid() ? parsed.toString("yyyy-MM-dd") : QString(), date);
}

void TestLedger::eachCondition_data()
{
    QTest::addColumn<int>("group");
    QTest::addColumn<QString>("widget");
    QTest::addColumn<int>("column"); // the record field the widget's condition is about
    const struct
    {
        int group;
        const char *widget;
        int column;
    } expected[] = {
        {GoodsPage, "comboBox", 1},      {GoodsPage, "comboBox_2", 2},    {GoodsPage, "comboBox_3", 3},
        {GoodsPage, "comboBox_4", 4},    {GoodsPage, "comboBox_5", 6},    {GoodsPage, "comboBox_6", 14},
        {GoodsPage, "comboBox_7", 15},   {GoodsPage, "comboBox_8", 17},   {GoodsPage, "lineEdit", 5},
        {GoodsPage, "lineEdit_2", 8},    {GoodsPage, "lineEdit_3", 16},   {SalesPage, "comboBox_9", 3},
        {SalesPage, "comboBox_10", 15},  {FinancePage, "comboBox_31", 1}, {FinancePage, "comboBox_32", 4},
        {FinancePage, "comboBox_33", 5}, {FinancePage, "comboBox_34", 7}, {FinancePage, "lineEdit_5", 6},
    };
    for (const auto &e : expected)
        QTest::newRow(e.widget) << e.group << QString::fromLatin1(e.widget) << e.column;
}

// A condition is a case-sensitive part of its own field and of no other.
void TestLedger::eachCondition()
{
    QFETCH(int, group);
    QFETCH(QString, widget);
    QFETCH(int, column);
    const QStringList conditions = OneCondition(group, widget, QStringLiteral("Kx"));
    QVERIFY2(conditions.contains(QStringLiteral("Kx")), "no condition widget of that name");
    QVERIFY(Passes(group, column, QStringLiteral("01-Kx-9"), conditions));
    QVERIFY(!Passes(group, column, QStringLiteral("kx"), conditions));
    QVERIFY(!Passes(group, column, QString(), conditions));
    const int count = group == FinancePage ? FinanceRecord::TextCount : GoodsRecord::TextCount;
    for (int other = 0; other < count; ++other)
        QVERIFY2(other == column || !Passes(group, other, QStringLiteral("Kx"), conditions),
                 qPrintable(QStringLiteral("matched column %1").arg(other)));
}

QTEST_GUILESS_MAIN(TestLedger)
#include "test_ledger.moc"
