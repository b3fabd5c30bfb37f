#include "storetestsupport.h"

#include <QtTest>

class TestInfoStore : public QObject
{
    Q_OBJECT

private slots:
    void saveReadDelete_data();
    void saveReadDelete();
    void savingTwiceKeepsOneRow();
    void kindsAndStoresAreSeparate();
    void unknownStoreKindFails();
};

void TestInfoStore::saveReadDelete_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("infoType");
    QTest::addColumn<QString>("text");

    QTest::newRow("warehouses") << int(InfoStore::MasterData) << 8 << "Main##1-A&&1;Side-B";
    QTest::newRow("customers with quotes") << int(InfoStore::People) << 2 << "O'Brien-13800000000;张'三-";
}

void TestInfoStore::saveReadDelete()
{
    QFETCH(int, kind);
    QFETCH(int, infoType);
    QFETCH(QString, text);
    TempStore db;
    REQUIRE_DB(db);

    QVERIFY(db.store()->SaveInfoList(kind, InfoList{infoType, text}));
    InfoList read{infoType, QStringLiteral("stale")};
    QVERIFY(db.store()->ReadInfoList(kind, read));
    QCOMPARE(read.infoType, infoType);
    QCOMPARE(read.list, text);

    QVERIFY(db.store()->DeleteInfoList(kind, infoType));
    InfoList gone{infoType, QStringLiteral("caller's")};
    QVERIFY(db.store()->ReadInfoList(kind, gone));
    QCOMPARE(gone.list, QStringLiteral("caller's"));
}

void TestInfoStore::savingTwiceKeepsOneRow()
{
    TempStore db;
    REQUIRE_DB(db);
    QVERIFY(db.store()->SaveInfoList(InfoStore::MasterData, InfoList{8, QStringLiteral("first")}));
    QVERIFY(db.store()->SaveInfoList(InfoStore::MasterData, InfoList{8, QStringLiteral("second")}));
    QCOMPARE(db.Count(QStringLiteral("tb_sm_prestore_info"), QStringLiteral("info_type=8")), 1);
    InfoList read{8, QString()};
    QVERIFY(db.store()->ReadInfoList(InfoStore::MasterData, read));
    QCOMPARE(read.list, QStringLiteral("second"));
}

void TestInfoStore::kindsAndStoresAreSeparate()
{
    TempStore db;
    REQUIRE_DB(db);
    QVERIFY(db.store()->SaveInfoList(InfoStore::MasterData, InfoList{1, QStringLiteral("master")}));
    QVERIFY(db.store()->SaveInfoList(InfoStore::People, InfoList{1, QStringLiteral("people")}));
    db.store()->SetStoreNo(QStringLiteral("2"));
    QVERIFY(db.store()->SaveInfoList(InfoStore::MasterData, InfoList{1, QStringLiteral("store 2")}));
    QVERIFY(db.store()->DeleteInfoList(InfoStore::People, 1));   // store 2 has none; store 1 keeps its own
    db.store()->SetStoreNo(QStringLiteral("1"));

    InfoList master{1, QString()}, people{1, QString()};
    QVERIFY(db.store()->ReadInfoList(InfoStore::MasterData, master));
    QVERIFY(db.store()->ReadInfoList(InfoStore::People, people));
    QCOMPARE(master.list, QStringLiteral("master"));
    QCOMPARE(people.list, QStringLiteral("people"));
}

void TestInfoStore::unknownStoreKindFails()
{
    TempStore db;
    REQUIRE_DB(db);
    InfoList list{1, QStringLiteral("x")};
    QVERIFY(!db.store()->SaveInfoList(3, list));
    QVERIFY(!db.store()->ReadInfoList(0, list));
    QVERIFY(!db.store()->DeleteInfoList(-1, 1));
    QCOMPARE(list.list, QStringLiteral("x"));
}

QTEST_GUILESS_MAIN(TestInfoStore)
#include "test_infostore.moc"
