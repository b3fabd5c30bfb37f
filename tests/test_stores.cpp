#include "storetestsupport.h"

#include <QtTest>

namespace {

UserRecord MakeUser(const QString &phone, const QString &name, const QString &password, int type = 3)
{
    return UserRecord{type, 0, phone, name, password, QStringLiteral("192.168.1.2"), QStringLiteral("note")};
}

QString Password(const QString &where)
{
    return TempStore::Scalar(QStringLiteral("select user_password from tb_sm_user where ") + where).toString();
}

} // namespace

class TestStores : public QObject
{
    Q_OBJECT

private slots:
    void periodQueries_data();
    void periodQueries();
    void saveEditDeleteWithinStore();
    void rowsComeBackInEntryOrder();
    void infoLists();
    void login_data();
    void login();
    void accountsStayInTheirStore();
    void replaceUsersIsAllOrNothing();
};

void TestStores::periodQueries_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QStringList>("expected");   // "fails": the query is refused

    QTest::newRow("day") << 1 << -1 << "" << "2024-02-29" << QStringList{"d-feb29"};
    QTest::newRow("leap February") << 2 << -1 << "" << "2024-02-10" << QStringList{"b-feb01", "c-feb28", "d-feb29"};
    QTest::newRow("30-day month") << 2 << -1 << "" << "2024-11-05" << QStringList{"g-nov30"};
    QTest::newRow("December, one kind") << 2 << 2 << "" << "2024-12-31" << QStringList{"h-dec31"};
    QTest::newRow("year") << 3 << -1 << "" << "2024-06-15"
                          << QStringList{"a-jan31", "b-feb01", "c-feb28", "d-feb29", "e-mar01", "g-nov30", "h-dec31"};
    QTest::newRow("range, ends included") << 4 << -1 << "2024-01-31" << "2024-02-28"
                                          << QStringList{"a-jan31", "b-feb01", "c-feb28"};
    QTest::newRow("everything of one kind") << 5 << 2 << "" << "" << QStringList{"d-feb29", "h-dec31"};
    QTest::newRow("unknown mode") << 6 << -1 << "" << "2024-05-01" << QStringList{"fails"};
    QTest::newRow("no date") << 2 << -1 << "" << "20240501" << QStringList{"fails"};
}

// Goods and finance rows of the same dates: the period picks the same ones,
// never another store's, and the result is appended to what the list held.
void TestStores::periodQueries()
{
    QFETCH(int, mode);
    QFETCH(int, kind);
    QFETCH(QString, start);
    QFETCH(QString, date);
    QFETCH(QStringList, expected);
    TempStore db;
    REQUIRE_DB(db);
    const QList<QPair<QString, QString>> rows{{"a-jan31", "2024-01-31"}, {"b-feb01", "2024-02-01"},
                                              {"c-feb28", "2024-02-28"}, {"d-feb29", "2024-02-29"},
                                              {"e-mar01", "2024-03-01"}, {"f-dec23", "2023-12-31"},
                                              {"g-nov30", "2024-11-30"}, {"h-dec31", "2024-12-31"}};
    for (const QString &storeNo : {QStringLiteral("2"), QStringLiteral("1")}) {
        db.store()->SetStoreNo(storeNo);
        for (const auto &row : rows) {
            const int k = storeNo == "2" || row.first == "d-feb29" || row.first == "h-dec31" ? 2 : 0;
            const QString serial = (storeNo == "2" ? "other-" : "") + row.first;
            QVERIFY(db.store()->SaveGoodsRow(MakeGoods(k, serial, row.second)));
            QVERIFY(db.store()->SaveFinanceRow(MakeFinance(k, serial, row.second)));
        }
    }
    const GoodsRecord earlierGoods = MakeGoods(4, QStringLiteral("kept"), QStringLiteral("2000-01-01"));
    const FinanceRecord earlierFinance = MakeFinance(3, QStringLiteral("kept"), QStringLiteral("2000-01-01"));
    GoodsList goods{earlierGoods};
    FinanceList finance{earlierFinance};
    const bool ok = expected != QStringList{"fails"};
    QCOMPARE(db.store()->QueryGoods(mode, kind, start, date, goods), ok);
    QCOMPARE(db.store()->QueryFinance(mode, kind, start, date, finance), ok);
    QCOMPARE(goods.takeFirst(), earlierGoods);
    QCOMPARE(finance.takeFirst(), earlierFinance);
    QCOMPARE(SortedSerials(goods), ok ? expected : QStringList());
    QCOMPARE(SortedSerials(finance), ok ? expected : QStringList());
}

void TestStores::saveEditDeleteWithinStore()
{
    TempStore db;
    REQUIRE_DB(db);
    StoreDbAccess *s = db.store();
    // Another store's rows with the same keys stay untouched throughout.
    s->SetStoreNo(QStringLiteral("2"));
    QVERIFY(s->SaveGoodsRow(MakeGoods(GoodsKind::Loss, QString(), QStringLiteral("2024-07-01"))));
    QVERIFY(s->SaveFinanceRow(MakeFinance(FinanceKind::Income, QString(), QStringLiteral("2024-07-01"))));
    s->SetStoreNo(QStringLiteral("store'1"));

    // Quotes and line breaks in every text; the edit saves the whole row again.
    GoodsRecord g = MakeGoods(GoodsKind::Loss, QString(), "2024-07-01");   // a real date column on PostgreSQL
    FinanceRecord f = MakeFinance(FinanceKind::Income, QString(), "2024-07-01");
    for (int i = 0; i < GoodsRecord::TextCount; ++i)
        if (i != 0 && i != 7)   // serial, date
            g.setText(i, QStringLiteral("x%1' or '1'='1'; delete from tb_sm_user; --").arg(i));
    f.item = f.remark = QStringLiteral("it's'); drop table tb_sm_finance_info; --");
    g.remark = QStringLiteral("多行\n备注 'quoted' \\ %1");
    QVERIFY(s->SaveGoodsRow(g) && s->SaveFinanceRow(f));
    g.num = QStringLiteral("7");
    g.remark.clear();
    f.sum = QStringLiteral("8");
    QVERIFY(s->SaveGoodsRow(g) && s->SaveFinanceRow(f));
    QCOMPARE(StoredGoodsOf(), GoodsList{g});
    QCOMPARE(StoredFinanceOf(), FinanceList{f});

    // Same serial, another kind: a row of its own.
    GoodsRecord sale = g;
    sale.tabType = GoodsKind::Sale;
    FinanceRecord debt = f;
    debt.tabType = FinanceKind::Debts;
    QVERIFY(s->SaveGoodsRow(sale) && s->SaveFinanceRow(debt));
    QCOMPARE(StoredGoodsOf(GoodsKind::Sale), GoodsList{sale});
    QVERIFY(s->DeleteGoodsRow(g) && s->DeleteFinanceRow(f));
    QCOMPARE(StoredGoodsOf(), GoodsList{sale});
    QCOMPARE(StoredFinanceOf(), FinanceList{debt});
    QVERIFY(s->DeleteGoodsKind(GoodsKind::Sale) && s->DeleteFinanceKind(FinanceKind::Debts));
    QVERIFY(StoredGoodsOf().isEmpty() && StoredFinanceOf().isEmpty());

    // A freshly added row has null texts: saved twice it is one row, found and deleted.
    GoodsRecord blank;
    blank.tabType = GoodsKind::Sale;
    QVERIFY(s->SaveGoodsRow(blank) && s->SaveGoodsRow(blank));
    QCOMPARE(StoredGoodsOf().size(), 1);
    QVERIFY(s->DeleteGoodsRow(blank));
    QVERIFY(StoredGoodsOf().isEmpty());

    s->SetStoreNo(QStringLiteral("2"));
    QCOMPARE(StoredGoodsOf().size(), 1);
    QCOMPARE(StoredFinanceOf().size(), 1);
}

void TestStores::rowsComeBackInEntryOrder()
{
    TempStore db;
    REQUIRE_DB(db);
    // The stock computation applies movements in the order it reads them, so
    // neither the business date nor a later edit may reorder a page.
    GoodsRecord first = MakeGoods(GoodsKind::PurchaseIn, QStringLiteral("s9"), QStringLiteral("2024-03-09"));
    const GoodsRecord second = MakeGoods(GoodsKind::PurchaseIn, QStringLiteral("s1"), QStringLiteral("2024-03-01"));
    const GoodsRecord third = MakeGoods(GoodsKind::Sale, QStringLiteral("s5"), QStringLiteral("2024-03-05"));
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
        {"v5", -1, "", {third}}, {"v5", GoodsKind::PurchaseIn, "", {second}}, {"v5", -1, "s5", {second}}, {"v6", -1, "", {}}};
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

void TestStores::infoLists()
{
    TempStore db;
    REQUIRE_DB(db);
    StoreDbAccess *s = db.store();
    QVERIFY(s->SaveInfoList(InfoStore::MasterData, InfoList{8, QStringLiteral("first")}));
    QVERIFY(s->SaveInfoList(InfoStore::MasterData, InfoList{8, QStringLiteral("Main##1-A&&1;O'Brien-")}));
    QVERIFY(s->SaveInfoList(InfoStore::People, InfoList{8, QStringLiteral("people")}));
    QCOMPARE(db.Count(QStringLiteral("tb_sm_prestore_info")), 1);
    s->SetStoreNo(QStringLiteral("2"));
    QVERIFY(s->SaveInfoList(InfoStore::MasterData, InfoList{8, QStringLiteral("store 2")}));
    QVERIFY(s->DeleteInfoList(InfoStore::People, 8));   // store 2 has none; store 1 keeps its own
    s->SetStoreNo(QStringLiteral("1"));

    InfoList master{8, QString()}, people{8, QString()};
    QVERIFY(s->ReadInfoList(InfoStore::MasterData, master) && s->ReadInfoList(InfoStore::People, people));
    QCOMPARE(master.list, QStringLiteral("Main##1-A&&1;O'Brien-"));
    QCOMPARE(people.list, QStringLiteral("people"));
    QVERIFY(s->DeleteInfoList(InfoStore::MasterData, 8));
    InfoList gone{8, QStringLiteral("caller's")};
    QVERIFY(s->ReadInfoList(InfoStore::MasterData, gone));
    QCOMPARE(gone.list, QStringLiteral("caller's"));
    QVERIFY(!s->SaveInfoList(3, gone) && !s->ReadInfoList(0, gone) && !s->DeleteInfoList(-1, 1));
    QCOMPARE(gone.list, QStringLiteral("caller's"));
}

void TestStores::login_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("by name") << "alice" << "pw'1" << true;
    QTest::newRow("by phone") << "13800000001" << "pw'1" << true;
    QTest::newRow("password case matters") << "alice" << "PW'1" << false;
    // One owner account may serve several shops on one server.
    QTest::newRow("account of another store") << "bob" << "bobpw" << true;
    QTest::newRow("same name, other store's password") << "alice" << "other" << true;
    QTest::newRow("injection in both") << "' or '1'='1" << "' or '1'='1" << false;
    QTest::newRow("empty account does not reach one without phone") << "" << "" << false;
}

void TestStores::login()
{
    QFETCH(QString, account);
    QFETCH(QString, password);
    TempStore db;
    REQUIRE_DB(db);
    const struct { const char *store, *phone, *name, *password; } users[] = {
        {"2", "139", "bob", "bobpw"}, {"2", "138", "alice", "other"}, {"1", "13800000001", "alice", "pw'1"}, {"1", "", "nophone", ""}};
    for (const auto &u : users) {
        db.store()->SetStoreNo(u.store);
        QVERIFY(db.store()->AddOrUpdateUser(MakeUser(u.phone, u.name, u.password)));
    }
    QTEST(db.store()->CheckUserPassword(account, password), "accepted");
}

void TestStores::accountsStayInTheirStore()
{
    TempStore db;
    REQUIRE_DB(db);
    StoreDbAccess *s = db.store();
    s->SetStoreNo(QStringLiteral("2"));
    QVERIFY(s->AddOrUpdateUser(MakeUser(QStringLiteral("138"), QStringLiteral("ann"), QStringLiteral("two"))));
    s->SetStoreNo(QStringLiteral("1"));
    // Same phone as store 2's account: a new account here.
    QVERIFY(s->AddOrUpdateUser(MakeUser(QStringLiteral("138"), QStringLiteral("ann"), QStringLiteral("one"))));
    // Found by phone, then by name: that very row is updated.
    QVERIFY(s->AddOrUpdateUser(MakeUser(QStringLiteral("138"), QStringLiteral("annie"), QStringLiteral("new'pw"), 2)));
    QVERIFY(s->AddOrUpdateUser(MakeUser(QStringLiteral("999"), QStringLiteral("ann"), QStringLiteral("byname"), 2)));
    QCOMPARE(Password(QStringLiteral("store_no='1'")), QStringLiteral("byname"));
    QCOMPARE(Password(QStringLiteral("store_no='2'")), QStringLiteral("two"));
    QVERIFY(!s->AddOrUpdateUser(MakeUser(QString(), QString(), QStringLiteral("x"))));
    // Another store's account is read for the login, but only with its own password.
    UserRecord elsewhere = MakeUser(QStringLiteral("138"), QStringLiteral("ann"), QStringLiteral("mine"), 4);
    QVERIFY(!s->ReadUser(elsewhere));
    QCOMPARE(elsewhere.userType, 4);
    elsewhere.password = QStringLiteral("two");
    QVERIFY(s->ReadUser(elsewhere));
    QCOMPARE(elsewhere.userType, 3);

    s->SetStoreNo(QStringLiteral("2"));
    QVERIFY(s->DeleteUser(MakeUser(QStringLiteral("138"), QStringLiteral("ann"), QString())));
    QCOMPARE(db.Count(QStringLiteral("tb_sm_user"), QStringLiteral("user_name='ann'")), 1);
}

void TestStores::replaceUsersIsAllOrNothing()
{
    TempStore db;
    REQUIRE_DB(db);
    StoreDbAccess *s = db.store();
    QVERIFY(s->AddOrUpdateUser(MakeUser(QStringLiteral("1"), QStringLiteral("old"), QStringLiteral("p"))));
    s->SetStoreNo(QStringLiteral("2"));
    QVERIFY(s->AddOrUpdateUser(MakeUser(QStringLiteral("9"), QStringLiteral("theirs"), QStringLiteral("p"))));
    s->SetStoreNo(QStringLiteral("1"));

    // The users page may hold two rows with one name; each logs in with its own rights.
    const QList<UserRecord> list{MakeUser(QStringLiteral("2"), QStringLiteral("bob"), QStringLiteral("boss"), 1),
                                 MakeUser(QStringLiteral("3"), QStringLiteral("bob"), QStringLiteral("clerk"), 4)};
    QVERIFY(s->ReplaceUsers(list));
    QVERIFY(!s->CheckUserPassword(QStringLiteral("old"), QStringLiteral("p")));
    QCOMPARE(db.Count(QStringLiteral("tb_sm_user"), QStringLiteral("store_no='2'")), 1);
    for (const UserRecord &expected : list) {
        UserRecord login;
        login.phone = login.name = QStringLiteral("bob");
        login.password = expected.password;
        QVERIFY(s->ReadUser(login));
        QCOMPARE(login.userType, expected.userType);
        QCOMPARE(login.phone, expected.phone);
    }

    // A write failing half-way leaves the accounts as they were.
    QVERIFY(db.RefuseInserts(QStringLiteral("tb_sm_user"), QStringLiteral("new.user_name='boom'")));
    QVERIFY(!s->ReplaceUsers({MakeUser(QStringLiteral("4"), QStringLiteral("fine"), QStringLiteral("c")),
                              MakeUser(QStringLiteral("5"), QStringLiteral("boom"), QStringLiteral("d"))}));
    QCOMPARE(db.Count(QStringLiteral("tb_sm_user"), QStringLiteral("store_no='1'")), 2);
    QVERIFY(s->CheckUserPassword(QStringLiteral("bob"), QStringLiteral("clerk")));
    QVERIFY(!s->CheckUserPassword(QStringLiteral("fine"), QStringLiteral("c")));
}

QTEST_GUILESS_MAIN(TestStores)
#include "test_stores.moc"
