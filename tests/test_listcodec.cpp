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
    void escapesLookAlikesAreNotKept_data();
    void escapesLookAlikesAreNotKept();
    void semicolonSplitsRow();
    void emptyText();
    void columnValues_data();
    void columnValues();
};

void TestListCodec::roundTrip_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QString>("text");
    QTest::newRow("dash and dot") << Rows{ { "A-1", "2.5" } } << "A##1-2&&5";
    QTest::newRow("one cell rows") << Rows{ { "x" }, { "y" } } << "x;y";
    QTest::newRow("warehouse row")
        << Rows{ { "A.1", "B-2", "", "3", "4", "5", "6" } } << "A&&1-B##2--3-4-5-6";
    QTest::newRow("empty cells") << Rows{ { "", "" }, { "", "" } } << "-;-";
    QTest::newRow("one empty cell") << Rows{ { "" } } << "";
    QTest::newRow("row added after three") << Rows{ { "a" }, { "b" }, { "c" }, { "" } } << "a;b;c;";
    QTest::newRow("quote and CJK") << Rows{ { "O'Neil", "红色-大" } } << "O'Neil-红色##大";
    QTest::newRow("dashes only") << Rows{ { "--", "..." } } << "####-&&&&&&";
}

void TestListCodec::roundTrip()
{
    QFETCH(Rows, rows);
    QFETCH(QString, text);
    QCOMPARE(ListCodec::Encode(rows), text);
    QCOMPARE(ListCodec::Decode(text), rows);
}

void TestListCodec::escapesLookAlikesAreNotKept_data()
{
    // The format has no escape for its own escapes: such values come back changed.
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("hashes") << "a##b" << "a-b";
    QTest::newRow("ampersands") << "R&&D" << "R.D";
    QTest::newRow("single marks survive") << "#1 & co" << "#1 & co";
}

void TestListCodec::escapesLookAlikesAreNotKept()
{
    QFETCH(QString, value);
    QFETCH(QString, readBack);
    QCOMPARE(ListCodec::Decode(ListCodec::Encode({ { value } })), Rows{ { readBack } });
}

void TestListCodec::semicolonSplitsRow()
{
    const QString text = ListCodec::Encode({ { "x;y", "z" } });
    QCOMPARE(ListCodec::Decode(text), (Rows{ { "x" }, { "y", "z" } }));
    QVERIFY(!ListCodec::IsStorable("x;y"));
    QVERIFY(ListCodec::IsStorable("x-y.z"));
}

void TestListCodec::emptyText()
{
    QCOMPARE(ListCodec::Encode({}), QString());
    QCOMPARE(ListCodec::Decode(QString()), Rows{ { QString() } });
}

void TestListCodec::columnValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("position");
    QTest::addColumn<QStringList>("values");
    const QString stores = "Main-Rd 1-3-27-12-Li-138;Back&&Yard-Rd##2-7-2-5-Wu-139";
    QTest::newRow("numbers") << stores << 2 << QStringList{ "3", "7" };
    QTest::newRow("first field decoded") << stores << 0 << QStringList{ "Main", "Back.Yard" };
    QTest::newRow("address decoded") << stores << 1 << QStringList{ "Rd 1", "Rd-2" };
    QTest::newRow("short rows skipped") << "a-b;c;d-e-f" << 1 << QStringList{ "b", "e" };
    QTest::newRow("past every row") << "a-b" << 2 << QStringList{};
    QTest::newRow("negative position") << "a-b" << -1 << QStringList{};
    QTest::newRow("empty text has one empty value") << "" << 0 << QStringList{ "" };
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
