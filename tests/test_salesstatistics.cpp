#include "analytics/salesstatistics.h"
#include "db/numbertext.h"
#include "storetestsupport.h"

#include <QtTest>

namespace {

// The deduction as it was first written: every return against every sale,
// subtracting and writing back one return at a time. The linear one must
// give exactly the same rows.
void DeductReturnByReturn(GoodsList &sales, const GoodsList &returns)
{
    const QString note = QStringLiteral("注意，该型号%1有退货金额%2元，从%3销售中扣除%4元");
    for (const GoodsRecord &r : returns) {
        for (GoodsRecord &s : sales) {
            if (s.model != r.model || s.supply != r.supply || s.purchase != r.purchase)
                continue;
            s.num = NumberText::ToText(NumberText::ToNumber(s.num) - NumberText::ToNumber(r.num));
            s.remark += note.arg(r.model, r.total, s.time, r.total);
            s.total = NumberText::ToText(NumberText::ToNumber(s.total) - NumberText::ToNumber(r.total));
        }
    }
}

GoodsRecord Sale(const QString &serial, const QString &model, const QString &customer, const QString &seller,
                 const QString &num, const QString &total, const QString &time = QStringLiteral("2024-05-10"))
{
    GoodsRecord r;
    r.tabType = GoodsKind::Sale;
    r.serial = serial;
    r.model = model;
    r.supply = customer;
    r.purchase = seller;
    r.num = num;
    r.total = total;
    r.time = time;
    r.pay = QStringLiteral("600");
    r.debt = QStringLiteral("400");
    return r;
}

GoodsRecord Return(const QString &model, const QString &customer, const QString &seller, const QString &num,
                   const QString &total, const QString &time = QStringLiteral("2023-01-02"))
{
    GoodsRecord r = Sale(QStringLiteral("r-") + time, model, customer, seller, num, total, time);
    r.tabType = GoodsKind::SaleReturn;
    return r;
}

QString Note(const QString &model, const QString &amount, const QString &saleDate)
{
    return QStringLiteral("注意，该型号%1有退货金额%2元，从%3销售中扣除%4元").arg(model, amount, saleDate, amount);
}

} // namespace

Q_DECLARE_METATYPE(GoodsRecord)

class TestSalesStatistics : public QObject
{
    Q_OBJECT
private slots:
    void deduction_data();
    void deduction();
    void everyMatchingSaleIsReduced();
    void sameAsReturnByReturn_data();
    void sameAsReturnByReturn();
    void filter_data();
    void filter();
    void reports_data();
    void reports();
};

void TestSalesStatistics::deduction_data()
{
    QTest::addColumn<GoodsRecord>("ret");
    QTest::addColumn<QString>("num");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("remark");

    const QString date = QStringLiteral("2024-05-10");
    QTest::newRow("same model, customer and salesperson")
        << Return("A", "Li", "Wang", "2", "200") << "8" << "800" << Note("A", "200", date);
    QTest::newRow("return dated long before the period")
        << Return("A", "Li", "Wang", "2", "200", "2019-12-31") << "8" << "800" << Note("A", "200", date);
    QTest::newRow("other customer") << Return("A", "Zhao", "Wang", "2", "200") << "10" << "1000" << "";
    QTest::newRow("other salesperson") << Return("A", "Li", "Chen", "2", "200") << "10" << "1000" << "";
    QTest::newRow("other model") << Return("A1", "Li", "Wang", "2", "200") << "10" << "1000" << "";
    QTest::newRow("cents") << Return("A", "Li", "Wang", "0.5", "0.1") << "9.5" << "999.9" << Note("A", "0.1", date);
    QTest::newRow("letters in the amount deduct nothing")
        << Return("A", "Li", "Wang", "1", "abc") << "9" << "1000" << Note("A", "abc", date);
    QTest::newRow("return larger than the sale")
        << Return("A", "Li", "Wang", "12", "1200") << "-2" << "-200" << Note("A", "1200", date);
}

void TestSalesStatistics::deduction()
{
    QFETCH(GoodsRecord, ret);
    QFETCH(QString, num);
    QFETCH(QString, total);
    QFETCH(QString, remark);

    GoodsList sales = { Sale("s1", "A", "Li", "Wang", "10", "1000") };
    SalesStatistics::DeductReturns(sales, { ret });
    QCOMPARE(sales.size(), 1);
    QCOMPARE(sales.at(0).num, num);
    QCOMPARE(sales.at(0).total, total);
    QCOMPARE(sales.at(0).remark, remark);
    // Paid and unpaid are shown as stored.
    QCOMPARE(sales.at(0).pay, QStringLiteral("600"));
    QCOMPARE(sales.at(0).debt, QStringLiteral("400"));
}

void TestSalesStatistics::everyMatchingSaleIsReduced()
{
    GoodsList sales = { Sale("s1", "A", "Li", "Wang", "10", "1000", "2024-05-10"),
                        Sale("s2", "A", "Zhao", "Wang", "4", "400", "2024-05-11"),
                        Sale("s3", "A", "Li", "Wang", "1", "100", "2024-05-12") };
    SalesStatistics::DeductReturns(sales, { Return("A", "Li", "Wang", "2", "200") });

    QCOMPARE(sales.at(0).num, QStringLiteral("8"));
    QCOMPARE(sales.at(0).total, QStringLiteral("800"));
    QCOMPARE(sales.at(0).remark, Note("A", "200", "2024-05-10"));
    QCOMPARE(sales.at(1).num, QStringLiteral("4"));
    QVERIFY(sales.at(1).remark.isEmpty());
    // The full return again, even though it leaves the sale negative.
    QCOMPARE(sales.at(2).num, QStringLiteral("-1"));
    QCOMPARE(sales.at(2).total, QStringLiteral("-100"));
    QCOMPARE(sales.at(2).remark, Note("A", "200", "2024-05-12"));
}

void TestSalesStatistics::sameAsReturnByReturn_data()
{
    QTest::addColumn<GoodsList>("sales");
    QTest::addColumn<GoodsList>("returns");

    const GoodsRecord big = Sale("s1", "A", "Li", "Wang", "1000000", "1234567.89");
    GoodsRecord vip = big;
    vip.remark = QStringLiteral("VIP");
    QTest::newRow("notes follow the remark in return order")
        << GoodsList{ vip } << GoodsList{ Return("A", "Li", "Wang", "1", "0.89", "2024-01-01"),
                                          Return("B", "Li", "Wang", "1", "5", "2024-01-02"),
                                          Return("A", "Li", "Wang", "3", "%1", "2024-01-03") };
    QTest::newRow("returns matching nothing")
        << GoodsList{ big } << GoodsList{ Return("Z", "Li", "Wang", "1", "5"), Return("A", "Li", "", "1", "5") };
    QTest::newRow("blank keys match blank keys")
        << GoodsList{ Sale("s1", "", "", "", "3", "30"), Sale("s2", "", "Li", "", "3", "30"), Sale("s3", "A", "", "", "", "") }
        << GoodsList{ Return("", "", "", "1", "10"), Return("", "", "", "", ""), Return("A", "", "", "1", "1.5") };
    QTest::newRow("several sales on several days")
        << GoodsList{ Sale("s1", "A", "Li", "Wang", "10", "1000", "2024-05-10"),
                      Sale("s2", "A", "Zhao", "Wang", "4", "400", "2024-05-11"),
                      Sale("s3", "A", "Li", "Wang", "1", "100", "2024-02-29"),
                      Sale("s4", "A", "Li", "Wang", "7", "0.3", "2024-05-10") }
        << GoodsList{ Return("A", "Li", "Wang", "2", "0.1"), Return("A", "Li", "Wang", "0.5", "0.2"),
                      Return("A", "Zhao", "Wang", "9", "abc") };
    // Beyond six places or near a billion each step is rounded on its own.
    QTest::newRow("more than six places")
        << GoodsList{ Sale("s1", "A", "Li", "Wang", "1", "1.0000004"), Sale("s2", "A", "Li", "Wang", "1", "1") }
        << GoodsList{ Return("A", "Li", "Wang", "0.0000004", "0.0000004"),
                      Return("A", "Li", "Wang", "0.0000004", "0.0000004") };
    QTest::newRow("near a billion")
        << GoodsList{ Sale("s1", "A", "Li", "Wang", "999999999.5", "123456789012.34") }
        << GoodsList{ Return("A", "Li", "Wang", "0.25", "0.01"), Return("A", "Li", "Wang", "0.25", "1e3") };
}

void TestSalesStatistics::sameAsReturnByReturn()
{
    QFETCH(GoodsList, sales);
    QFETCH(GoodsList, returns);
    GoodsList expected = sales;
    DeductReturnByReturn(expected, returns);
    SalesStatistics::DeductReturns(sales, returns);
    QCOMPARE(sales.size(), expected.size());
    for (int i = 0; i < sales.size(); ++i) {
        QCOMPARE(sales.at(i).num, expected.at(i).num);
        QCOMPARE(sales.at(i).total, expected.at(i).total);
        QCOMPARE(sales.at(i).remark, expected.at(i).remark);
        QVERIFY(sales.at(i) == expected.at(i));
    }
}

void TestSalesStatistics::filter_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("seller");
    QTest::addColumn<QStringList>("serials");

    QTest::newRow("no conditions") << "" << "" << QStringList{ "s1", "s2", "s3", "s4" };
    QTest::newRow("model is a substring") << "X-1" << "" << QStringList{ "s1", "s2" };
    QTest::newRow("seller only") << "" << "Wang" << QStringList{ "s1", "s3" };
    QTest::newRow("distributor in the same field") << "" << "分销" << QStringList{ "s4" };
    QTest::newRow("both") << "X-10" << "Wang" << QStringList{ "s1" };
}

void TestSalesStatistics::filter()
{
    QFETCH(QString, model);
    QFETCH(QString, seller);
    QFETCH(QStringList, serials);

    const GoodsList sales = { Sale("s1", "X-10", "Li", "Wang", "1", "1"), Sale("s2", "X-1", "Li", "Chen", "1", "1"),
                              Sale("s3", "Y", "Li", "Wang Wu", "1", "1"), Sale("s4", "Z", "Li", "东区分销", "1", "1") };
    SalesStatistics::SalesConditions conditions;
    conditions.model = model;
    conditions.seller = seller;
    QStringList got;
    for (const GoodsRecord &r : SalesStatistics::FilterSales(sales, conditions))
        got << r.serial;
    QCOMPARE(got, serials);
}

// Rows of the example shop: key|quantity|amount|paid|unpaid|rows[|class|oldest unpaid].
QStringList Texts(const GoodsList &rows, bool debts)
{
    QStringList out;
    for (const GoodsRecord &r : rows) {
        QStringList t{ r.serial, r.num, r.total, r.pay, r.debt, r.oddNum };
        if (debts)
            t << r.code << r.remark;
        out << t.join(QLatin1Char('|'));
    }
    return out;
}

GoodsRecord Row(int kind, const char *serial, const char *day, const char *model, const char *name,
                const char *seller, const char *num, const char *total, const char *pay, const char *debt)
{
    GoodsRecord r = Sale(QString::fromUtf8(serial), QString::fromUtf8(model), QString::fromUtf8(name),
                         QString::fromUtf8(seller), QString::fromUtf8(num), QString::fromUtf8(total),
                         QString::fromUtf8(day));
    r.tabType = kind;
    r.pay = QString::fromUtf8(pay);
    r.debt = QString::fromUtf8(debt);
    return r;
}

void TestSalesStatistics::reports_data()
{
    QTest::addColumn<int>("view");
    QTest::addColumn<QString>("seller");
    QTest::addColumn<QStringList>("rows");

    using namespace SalesStatistics;
    // The 2023 return (1 piece, 100) comes off both of 甲's sales with 王.
    QTest::newRow("per day, leap day included") << int(Daily) << QString()
        << QStringList{ "2024-02-28|9|900|600|400|1", "2024-02-29|2|200.49|99.99|200.5|2",
                        "2024-03-01|2|20|10|20|1" };
    QTest::newRow("per salesperson") << int(Employee) << QString()
        << QStringList{ "王|10|1000.5|600|600.5|2", "李|1|99.99|99.99|0|1", "(未填)|2|20|10|20|1" };
    QTest::newRow("per customer") << int(Customer) << QString()
        << QStringList{ "甲|10|1000.5|600|600.5|2", "(未填)|1|99.99|99.99|0|1", "乙|2|20|10|20|1" };
    QTest::newRow("per customer of one salesperson") << int(Customer) << QStringLiteral("王")
        << QStringList{ "甲|10|1000.5|600|600.5|2" };
    // Returns of the period only; what the shop owes counts negative.
    QTest::newRow("money owed") << int(Debts) << QString()
        << QStringList{ "甲||1200.5|600|600.5|2|应收|2024-02-28", "乙||20|10|15|2|应收|2024-03-01",
                        "(未填)||99.99|99.99|0|1|应收|", "丙||-7|0|-7|1|应收|",
                        "供A||-560|-300|-260|3|应付|2024-02-29", "(未填)||-50|0|-50|1|应付|2024-02-10" };
}

void TestSalesStatistics::reports()
{
    QFETCH(int, view);
    QFETCH(QString, seller);
    QFETCH(QStringList, rows);

    TempStore db;
    QVERIFY(db.connected);
    StoreDbAccess *store = db.store();
    // Another installation's rows on the same database count nowhere.
    store->SetStoreNo(QStringLiteral("2"));
    for (const GoodsRecord &r : { Row(GoodsKind::Sale, "x1", "2024-02-29", "A", "甲", "王", "100", "9999", "0", "9999"),
                                  Row(GoodsKind::SaleReturn, "x2", "2024-02-29", "B", "乙", "", "1", "20", "0", "20"),
                                  Row(GoodsKind::PurchaseIn, "x3", "2024-02-29", "A", "供A", "", "1", "1000", "0", "1000") })
        QVERIFY(store->SaveGoodsRow(r));
    store->SetStoreNo(QStringLiteral("1"));
    const GoodsRecord ours[] = {
        Row(GoodsKind::Sale, "s1", "2024-02-28", "A", "甲", "王", "10", "1000", "600", "400"),
        Row(GoodsKind::Sale, "s2", "2024-02-29", "A", "甲", "王", "2", "200.5", "0", "200.5"),
        Row(GoodsKind::Sale, "s3", "2024-02-29", "B", "", "李", "1", "99.99", "99.99", "0"),
        Row(GoodsKind::Sale, "s4", "2024-03-01", "B", "乙", "", "3", "30", "10", "20"),
        Row(GoodsKind::Sale, "s5", "2023-12-30", "A", "甲", "王", "5", "500", "0", "500"),
        Row(GoodsKind::SaleReturn, "r1", "2023-12-31", "A", "甲", "王", "1", "100", "100", "0"),
        Row(GoodsKind::SaleReturn, "r2", "2024-03-01", "B", "乙", "", "1", "10", "0", "5"),
        Row(GoodsKind::SaleReturn, "r3", "2024-04-01", "Z", "丙", "", "1", "7", "0", "7"),
        Row(GoodsKind::PurchaseIn, "p1", "2024-02-29", "A", "供A", "", "5", "500", "200", "300"),
        Row(GoodsKind::PurchaseIn, "p2", "2024-01-15", "A", "供A", "", "1", "100", "100", "0"),
        Row(GoodsKind::PurchaseIn, "p3", "2024-02-10", "B", "", "", "1", "50", "0", "50"),
        Row(GoodsKind::PurchaseReturn, "q1", "2024-02-20", "A", "供A", "", "1", "40", "0", "40"),
        Row(GoodsKind::Loss, "l1", "2024-02-29", "A", "甲", "王", "1", "999", "0", "999"),
    };
    for (const GoodsRecord &r : ours)
        QVERIFY(store->SaveGoodsRow(r));

    SalesStatistics::SalesConditions conditions;
    conditions.seller = seller;
    GoodsList got;
    QString error;
    QVERIFY2(SalesStatistics::Report(view, 3, QStringLiteral("2024-01-01"), QStringLiteral("2024-06-30"),
                                     conditions, got, &error), qPrintable(error));
    QCOMPARE(Texts(got, view == SalesStatistics::Debts), rows);
}

QTEST_GUILESS_MAIN(TestSalesStatistics)
#include "test_salesstatistics.moc"
