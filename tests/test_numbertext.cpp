#include "db/numbertext.h"

#include <QtTest>

class TestNumberText : public QObject
{
    Q_OBJECT
private slots:
    void toText_data();
    void toText();
    void toNumber_data();
    void toNumber();
};

void TestNumberText::toText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("millions keep every digit") << 2345678.0 << "2345678";
    QTest::newRow("no exponent for money") << 1234567.5 << "1234567.5";
    QTest::newRow("binary noise dropped") << 0.1 + 0.2 << "0.3";
    QTest::newRow("sum that 'g' would round") << 600000.0 + 600001.0 << "1200001";
    QTest::newRow("six decimals at most") << 1.0 / 3.0 << "0.333333";
    QTest::newRow("negative zero") << -0.0000001 << "0";
}

void TestNumberText::toText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(NumberText::ToText(value), text);
}

void TestNumberText::toNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("blanks") << " 3 " << 3.0;
    QTest::newRow("letters count as zero") << "abc" << 0.0;
    QTest::newRow("letters after digits") << "12元" << 0.0;
    QTest::newRow("infinity is not money") << "inf" << 0.0;
    QTest::newRow("exponent accepted") << "1.2e+06" << 1200000.0;
}

void TestNumberText::toNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(NumberText::ToNumber(text), value);
}

QTEST_APPLESS_MAIN(TestNumberText)
#include "test_numbertext.moc"
