#include "masterdata/listcodec.h"

#include <QtTest>

using Rows = QList<QStringList>;
Q_DECLARE_METATYPE(Rows)

class TestListCodec : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void readBack_data();
    void readBack();
    void columnValues_data();
    void columnValues();
};

void TestListCodec::roundTrip_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QString>("text");
    QTest::newRow("dash and dot") << Rows{ { "A-1", "2.5" } } << "A##1-2&&5";
    QTest::newRow("warehouse row")
        << Rows{ { "A.1", "B-2", "", "3", "4", "5", "6" } } << "A&&1-B##2--3-4-5-6";
    QTest::newRow("row added after three") << Rows{ { "a" }, { "b" }, { "c" }, { "" } } << "a;b;c;";
    QTest::newRow("dashes only") << Rows{ { "--", "..." } } << "####-&&&&&&";
}

void TestListCodec::roundTrip()
{
    QFETCH(Rows, rows);
    QFETCH(QString, text);
    QCOMPARE(ListCodec::Encode(rows), text);
    QCOMPARE(ListCodec::Decode(text), rows);
}

void TestListCodec::readBack_data()
{
    // What a stored cell becomes when read back where the format cannot keep it.
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<Rows>("readBack");
    QTest::newRow("semicolon splits the row") << Rows{ { "x;y", "z" } } << Rows{ { "x" }, { "y", "z" } };
    QTest::newRow("no rows is one empty cell") << Rows{} << Rows{ { "" } };
}

void TestListCodec::readBack()
{
    QFETCH(Rows, rows);
    QFETCH(Rows, readBack);
    QCOMPARE(ListCodec::Decode(ListCodec::Encode(rows)), readBack);
}

void TestListCodec::columnValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("position");
    QTest::addColumn<QStringList>("values");
    const QString stores = "Main-Rd 1-3-27-12-Li-138;Back&&Yard-Rd##2-7-2-5-Wu-139";
    QTest::newRow("fields decoded") << stores << 0 << QStringList{ "Main", "Back.Yard" };
    QTest::newRow("short rows skipped") << "a-b;c;d-e-f" << 1 << QStringList{ "b", "e" };
    QTest::newRow("negative position") << "a-b" << -1 << QStringList{};
}

void TestListCodec::columnValues()
{
    QFETCH(QString, text);
    QFETCH(int, position);
    QFETCH(QStringList, values);
    QCOMPARE(ListCodec::ColumnValues(text, position), values);
}

QTEST_APPLESS_MAIN(TestListCodec)
#include "test_listcodec.moc"
