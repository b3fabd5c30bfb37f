#include "analytics/salesstatistics.h"

#include <QtTest>

namespace {

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
    void severalReturnsAddUp();
    void filter_data();
    void filter();
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

void TestSalesStatistics::severalReturnsAddUp()
{
    GoodsList sales = { Sale("s1", "A", "Li", "Wang", "1000000", "1234567.89") };
    sales[0].remark = QStringLiteral("VIP");
    SalesStatistics::DeductReturns(sales, { Return("A", "Li", "Wang", "1", "0.89", "2024-01-01"),
                                            Return("B", "Li", "Wang", "1", "5", "2024-01-02"),
                                            Return("A", "Li", "Wang", "3", "%1", "2024-01-03") });
    QCOMPARE(sales.at(0).num, QStringLiteral("999996"));
    QCOMPARE(sales.at(0).total, QStringLiteral("1234567"));
    // Notes follow the user's own remark, in the order the returns were read.
    QCOMPARE(sales.at(0).remark, QStringLiteral("VIP") + Note("A", "0.89", "2024-05-10") + Note("A", "%1", "2024-05-10"));
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

QTEST_APPLESS_MAIN(TestSalesStatistics)
#include "test_salesstatistics.moc"
