#include "storetestsupport.h"

#include <QtTest>

class TestGoodsStore : public QObject
{
    Q_OBJECT

private slots:
    void saveInsertsThenUpdatesByKindAndSerial();
    void deleteOneRowAtATimeAndWholeKind();
    void periodQueries_data();
    void periodQueries();
    void queryAppendsAndKeepsListOnFailure();
    void storesNeverSeeEachOther();
    void quotesRoundTripInEveryField();
    void emptyTextsStillMatch();
    void rowsComeBackInEntryOrder();
};

void TestGoodsStore::saveInsertsThenUpdatesByKindAndSerial()
{
    TempStore db;
    REQUIRE_DB(db);
    GoodsRecord r = MakeGoods(GoodsKind::PurchaseIn, QStringLiteral("2024-03-05 10:00:00:001"),
                              QStringLiteral("2024-03-05"));
    QVERIFY(db.store()->SaveGoodsRow(r));
    QCOMPARE(StoredGoodsOf(), GoodsList{r});

    // A cell edit saves the whole row again; empty texts overwrite too.
    r.num = QStringLiteral("7");
    r.price = QStringLiteral("1.50");
    r.remark.clear();
    QVERIFY(db.store()->SaveGoodsRow(r));
    QCOMPARE(StoredGoodsOf(), GoodsList{r});

    GoodsRecord sale = r;
    sale.tabType = GoodsKind::Sale;
    sale.num = QStringLiteral("2");
    QVERIFY(db.store()->SaveGoodsRow(sale));
    const GoodsList rows = StoredGoodsOf();
    QCOMPARE(rows.size(), 2);
    QVERIFY(rows.contains(r));
    QVERIFY(rows.contains(sale));
    QCOMPARE(db.Count(QStringLiteral("tb_sm_product_info"), QStringLiteral("store_no='1'")), 2);
}

void TestGoodsStore::deleteOneRowAtATimeAndWholeKind()
{
    TempStore db;
    REQUIRE_DB(db);
    // Two rows with the same kind and serial can only come from outside (an import of old data).
    for (const char *model : {"A", "B"})
        QVERIFY(db.Exec(QStringLiteral("insert into tb_sm_product_info(tab_type,product_serial,product_model,"
                                       "product_time,store_no) values(0,'s1','%1','2024-01-01','1')")
                            .arg(QLatin1String(model))));
    QVERIFY(db.Exec(QStringLiteral("insert into tb_sm_product_info(tab_type,product_serial,product_model,"
                                   "store_no) values(0,'s1','A','2')")));
    QVERIFY(db.store()->SaveGoodsRow(MakeGoods(2, QStringLiteral("s2"), QStringLiteral("2024-01-02"))));

    GoodsRecord key;
    key.tabType = 0;
    key.serial = QStringLiteral("s1");
    key.model = QStringLiteral("A");
    QVERIFY(db.store()->DeleteGoodsRow(key));
    GoodsList rows = StoredGoodsOf();
    QCOMPARE(rows.size(), 2);
    QVERIFY(std::any_of(rows.begin(), rows.end(), [](const GoodsRecord &r) { return r.model == "B"; }));
    QCOMPARE(db.Count(QStringLiteral("tb_sm_product_info"), QStringLiteral("store_no='2'")), 1);

    key.model = QStringLiteral("B");
    QVERIFY(db.store()->DeleteGoodsRow(key));
    QCOMPARE(SortedSerials(StoredGoodsOf()), QStringList{QStringLiteral("s2")});
    QVERIFY(db.store()->DeleteGoodsRow(key));   // nothing left to match is still success

    QVERIFY(db.store()->SaveGoodsRow(MakeGoods(0, QStringLiteral("s3"), QStringLiteral("2024-01-03"))));
    QVERIFY(db.store()->DeleteGoodsKind(2));
    QCOMPARE(SortedSerials(StoredGoodsOf()), QStringList{QStringLiteral("s3")});
    QCOMPARE(db.Count(QStringLiteral("tb_sm_product_info"), QStringLiteral("store_no='2'")), 1);
}

void TestGoodsStore::periodQueries_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("tabType");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QStringList>("expected");

    const QStringList all{"a-jan31", "b-feb01", "c-feb28", "d-feb29", "e-mar01", "f-dec23", "g-nov30", "h-dec31"};
    QTest::newRow("day") << 1 << -1 << "" << "2024-02-29" << QStringList{"d-feb29"};
    QTest::newRow("leap February") << 2 << -1 << "" << "2024-02-10"
                                   << QStringList{"b-feb01", "c-feb28", "d-feb29"};
    QTest::newRow("30-day month") << 2 << -1 << "" << "2024-11-05" << QStringList{"g-nov30"};
    QTest::newRow("December") << 2 << -1 << "" << "2024-12-31" << QStringList{"h-dec31"};
    QTest::newRow("year") << 3 << -1 << "" << "2024-06-15"
                          << QStringList{"a-jan31", "b-feb01", "c-feb28", "d-feb29", "e-mar01", "g-nov30", "h-dec31"};
    QTest::newRow("range, ends included") << 4 << -1 << "2024-01-31" << "2024-02-28"
                                          << QStringList{"a-jan31", "b-feb01", "c-feb28"};
    QTest::newRow("everything") << 5 << -1 << "" << "" << all;
}

void TestGoodsStore::periodQueries()
{
    QFETCH(int, mode);
    QFETCH(int, tabType);
    QFETCH(QString, start);
    QFETCH(QString, date);
    QFETCH(QStringList, expected);

    TempStore db;
    REQUIRE_DB(db);
    const QList<QPair<QString, QString>> rows{{"a-jan31", "2024-01-31"}, {"b-feb01", "2024-02-01"},
                                              {"c-feb28", "2024-02-28"}, {"d-feb29", "2024-02-29"},
                                              {"e-mar01", "2024-03-01"}, {"f-dec23", "2023-12-31"},
                                              {"g-nov30", "2024-11-30"}, {"h-dec31", "2024-12-31"}};
    for (const auto &row : rows) {
        const int kind = row.first == "d-feb29" || row.first == "h-dec31" ? 2 : 0;
        QVERIFY(db.store()->SaveGoodsRow(MakeGoods(kind, row.first, row.second)));
    }
    // The same dates in another store must never show up.
    db.store()->SetStoreNo(QStringLiteral("2"));
    for (const auto &row : rows)
        QVERIFY(db.store()->SaveGoodsRow(MakeGoods(2, QStringLiteral("other-") + row.first, row.second)));
    db.store()->SetStoreNo(QStringLiteral("1"));

    GoodsList out;
    QVERIFY(db.store()->QueryGoods(mode, tabType, start, date, out));
    QCOMPARE(SortedSerials(out), expected);
}

void TestGoodsStore::queryAppendsAndKeepsListOnFailure()
{
    TempStore db;
    REQUIRE_DB(db);
    QVERIFY(db.store()->SaveGoodsRow(MakeGoods(0, QStringLiteral("s1"), QStringLiteral("2024-05-01"))));
    const GoodsRecord earlier = MakeGoods(4, QStringLiteral("kept"), QStringLiteral("2000-01-01"));

    GoodsList out{earlier};
    QVERIFY(db.store()->QueryGoods(5, -1, QString(), QString(), out));
    QCOMPARE(out.size(), 2);
    QCOMPARE(out.first(), earlier);

    GoodsList untouched{earlier};
    QVERIFY(!db.store()->QueryGoods(6, -1, QString(), QStringLiteral("2024-05-01"), untouched));
    QVERIFY(!db.store()->QueryGoods(2, -1, QString(), QStringLiteral("20240501"), untouched));
    QCOMPARE(untouched, GoodsList{earlier});
}

void TestGoodsStore::storesNeverSeeEachOther()
{
    TempStore db;
    REQUIRE_DB(db);
    GoodsRecord mine = MakeGoods(0, QStringLiteral("same"), QStringLiteral("2024-01-01"));
    QVERIFY(db.store()->SaveGoodsRow(mine));

    db.store()->SetStoreNo(QStringLiteral(" 1"));   // blanks are part of the number
    GoodsRecord theirs = mine;
    theirs.name = QStringLiteral("theirs");
    QVERIFY(db.store()->SaveGoodsRow(theirs));     // same kind and serial: a new row, not an update
    QCOMPARE(StoredGoodsOf(), GoodsList{theirs});
    QVERIFY(db.store()->DeleteGoodsKind(0));
    QVERIFY(StoredGoodsOf().isEmpty());

    db.store()->SetStoreNo(QStringLiteral("1"));
    QCOMPARE(StoredGoodsOf(), GoodsList{mine});
}

void TestGoodsStore::quotesRoundTripInEveryField()
{
    TempStore db;
    REQUIRE_DB(db);
    GoodsRecord r;
    r.tabType = GoodsKind::Loss;
    for (int i = 0; i < GoodsRecord::TextCount; ++i)
        r.setText(i, QStringLiteral("x%1' or '1'='1'; delete from tb_sm_user; --").arg(i));
    r.time = QStringLiteral("2024-07-01");   // a real date column on PostgreSQL
    r.remark = QStringLiteral("多行\n备注 'quoted' \\ %1");
    db.store()->SetStoreNo(QStringLiteral("store'1"));
    QVERIFY(db.store()->SaveGoodsRow(r));
    QVERIFY(db.store()->SaveGoodsRow(r));   // the update path binds the same texts
    GoodsList rows;
    QVERIFY(db.store()->QueryGoods(1, GoodsKind::Loss, QString(), r.time, rows));
    QCOMPARE(rows, GoodsList{r});
    QVERIFY(db.store()->DeleteGoodsRow(r));
    QCOMPARE(db.Count(QStringLiteral("tb_sm_product_info")), 0);
    db.store()->SetStoreNo(QStringLiteral("1"));
}

void TestGoodsStore::emptyTextsStillMatch()
{
    TempStore db;
    REQUIRE_DB(db);
    GoodsRecord blank;   // every text null, as a freshly added row
    blank.tabType = GoodsKind::Sale;
    QVERIFY(db.store()->SaveGoodsRow(blank));
    QVERIFY(db.store()->SaveGoodsRow(blank));
    QCOMPARE(db.Count(QStringLiteral("tb_sm_product_info")), 1);
    GoodsRecord readBack = blank;
    for (int i = 0; i < GoodsRecord::TextCount; ++i)
        readBack.setText(i, QStringLiteral(""));
    QCOMPARE(StoredGoodsOf(), GoodsList{readBack});   // a row without a date, and found by the empty day
    GoodsList day;
    QVERIFY(db.store()->QueryGoods(1, GoodsKind::Sale, QString(), QString(), day));
    QCOMPARE(day.size(), 1);
    GoodsRecord key;
    key.tabType = GoodsKind::Sale;
    key.serial = QStringLiteral("");
    QVERIFY(db.store()->DeleteGoodsRow(key));
    QCOMPARE(db.Count(QStringLiteral("tb_sm_product_info")), 0);
}

void TestGoodsStore::rowsComeBackInEntryOrder()
{
    TempStore db;
    REQUIRE_DB(db);
    // The stock computation applies movements in the order it reads them, so
    // neither the business date nor a later edit may reorder a page.
    GoodsRecord first = MakeGoods(GoodsKind::PurchaseIn, QStringLiteral("s9"), QStringLiteral("2024-03-09"));
    GoodsRecord second = MakeGoods(GoodsKind::PurchaseIn, QStringLiteral("s1"), QStringLiteral("2024-03-01"));
    GoodsRecord third = MakeGoods(GoodsKind::Sale, QStringLiteral("s5"), QStringLiteral("2024-03-05"));
    for (const GoodsRecord &r : {first, second, third})
        QVERIFY(db.store()->SaveGoodsRow(r));
    first.num = QStringLiteral("42");
    QVERIFY(db.store()->SaveGoodsRow(first));

    for (int mode : {2, 3, 5}) {
        GoodsList rows;
        QVERIFY(db.store()->QueryGoods(mode, -1, QString(), QStringLiteral("2024-03-10"), rows));
        QCOMPARE(rows, (GoodsList{first, second, third}));
    }

    // "Latest" is the last entered, not the last edited nor the latest date.
    const struct { const char *code; int kind; const char *except; GoodsList latest; } looks[] = {
        {"v5", -1, "", {third}}, {"v5", GoodsKind::PurchaseIn, "", {second}},
        {"v5", -1, "s5", {second}}, {"v6", -1, "", {}}};
    for (const auto &l : looks) {
        GoodsList found;
        QVERIFY(db.store()->LatestGoodsWithCode(l.code, l.kind, l.except, found));
        QCOMPARE(found, l.latest);
    }
    GoodsList article;
    QVERIFY(db.store()->QueryArticleGoods("M1", "v4", "v8", article));
    QCOMPARE(article, (GoodsList{first, second, third}));
    db.store()->SetStoreNo(QStringLiteral("2"));
    article.clear();
    QVERIFY(db.store()->QueryArticleGoods("M1", "v4", "v8", article));
    QVERIFY(article.isEmpty());
}

QTEST_GUILESS_MAIN(TestGoodsStore)
#include "test_goodsstore.moc"
