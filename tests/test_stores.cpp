#include "db/transactionguard.h"
#include "storetestsupport.h"

#include <QtTest>

namespace {

UserRecord MakeUser(const QString &phone, const QString &name, const QString &password, int type = 3)
{
    return UserRecord{type, 0, phone, name, password, "192.168.1.2", QStringLiteral("note")};
}

QString Password(const QString &where)
{
    return TempStore::Scalar(QStringLiteral("select user_password from tb_sm_user where ") + where)
        .toString();
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
    void accounts();
    void failedCommitSaysWhy();
    void builtInAccount_data();
    void builtInAccount();
};

void TestStores::periodQueries_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QStringList>("expected"); // "fails": the query is refused

    QTest::newRow("day") << 1 << -1 << ""
                         << "2024-02-29" << QStringList{"d-feb29"};
    QTest::newRow("leap February") << 2 << -1 << ""
                                   << "2024-02-10" << QStringList{"b-feb01", "c-feb28", "d-feb29"};
    QTest::newRow("30-day month") << 2 << -1 << ""
                                  << "2024-11-05" << QStringList{"g-nov30"};
    QTest::newRow("December, one kind") << 2 << 2 << ""
                                        << "2024-12-31" << QStringList{"h-dec31"};
    QTest::newRow("year") << 3 << -1 << ""
                          << "2024-06-15" << QStringList{"a-jan31", "b-feb01", "c-feb28", "d-feb29",
                                                         "e-mar01", "g-nov30", "h-dec31"};
    QTest::newRow("range, ends included") << 4 << -1 << "2024-01-31"
                                          << "2024-02-28" << QStringList{"a-jan31", "b-feb01", "c-feb28"};
    QTest::newRow("everything of one kind") << 5 << 2 << ""
                                            << "" << QStringList{"d-feb29", "h-dec31"};
    QTest::newRow("unknown mode") << 6 << -1 << ""
                                  << "2024-05-01" << QStringList{"fails"};
    QTest::newRow("no date") << 2 << -1 << ""
                             << "20240501" << QStringList{"fails"};
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
    const GoodsRecord earlierGoods = MakeGoods(4, "kept", "2000-01-01");
    const FinanceRecord earlierFinance = MakeFinance(3, "kept", "2000-01-01");
    GoodsList goods{earlierGoods};
    FinanceList finance{earlierFinance};
    const bool ok = expected != QStringList{"fails"};
    QCOMPARE(db.store()->QueryGoods(mode, kind, start, date, goods).ok(), ok);
    QCOMPARE(db.store()->QueryFinance(mode, kind, start, date, finance).ok(), ok);
    QCOMPARE(goods.takeFirst(), earlierGoods);
    QCOMPARE(finance.takeFirst(), earlierFinance);
    const auto sorted = [](QStringList l) {
        l.sort();
        return l;
    };
    QCOMPARE(sorted(SerialsOf(goods)), ok ? expected : QStringList());
    QCOMPARE(sorted(SerialsOf(finance)), ok ? expected : QStringList());
}

void TestStores::saveEditDeleteWithinStore()
{
    TempStore db;
    REQUIRE_DB(db);
    StoreDbAccess *s = db.store();
    s->SetStoreNo("2"); // another store's rows with the same keys stay untouched throughout
    QVERIFY(s->SaveGoodsRow(MakeGoods(GoodsKind::Loss, QString(), "2024-07-01"))
            && s->SaveFinanceRow(MakeFinance(FinanceKind::Income, QString(), "2024-07-01")));
    s->SetStoreNo("store'1");

    // Quotes and line breaks in every text; the edit saves the whole row again.
    GoodsRecord g = MakeGoods(GoodsKind::Loss, QString(), "2024-07-01"); // a real date column on PostgreSQL
    FinanceRecord f = MakeFinance(FinanceKind::Income, QString(), "2024-07-01");
    for (int i = 0; i < GoodsRecord::TextCount; ++i)
        if (i != 0 && i != 7) // serial, date
            g.setText(i, QStringLiteral("x%1' or '1'='1'; delete from tb_sm_user; --").arg(i));
    f.item = f.remark = QStringLiteral("it's'); drop table tb_sm_finance_info; --");
    g.remark = QStringLiteral("多行\n备注 'quoted' \\ %1");
    QVERIFY(s->SaveGoodsRow(g) && s->SaveFinanceRow(f));
    g.num = f.sum = QStringLiteral("7");
    g.remark.clear();
    QVERIFY(s->SaveGoodsRow(g) && s->SaveFinanceRow(f));
    QCOMPARE(StoredGoodsOf(), GoodsList{g});
    QCOMPARE(StoredFinanceOf(), FinanceList{f});

    GoodsRecord sale = g; // same serial, another kind: a row of its own
    FinanceRecord debt = f;
    sale.tabType = GoodsKind::Sale;
    debt.tabType = FinanceKind::Debts;
    QVERIFY(s->SaveGoodsRow(sale) && s->SaveFinanceRow(debt) && s->DeleteGoodsRow(g)
            && s->DeleteFinanceRow(f));
    QCOMPARE(StoredGoodsOf(), GoodsList{sale});
    QCOMPARE(StoredFinanceOf(), FinanceList{debt});
    QVERIFY(s->DeleteGoodsKind(GoodsKind::Sale) && s->DeleteFinanceKind(FinanceKind::Debts));
    QVERIFY(StoredGoodsOf().isEmpty() && StoredFinanceOf().isEmpty());

    GoodsRecord blank; // a freshly added row has null texts: saved twice it is one row
    QVERIFY(s->SaveGoodsRow(blank) && s->SaveGoodsRow(blank));
    QCOMPARE(StoredGoodsOf().size(), 1);
    QVERIFY(s->DeleteGoodsRow(blank) && StoredGoodsOf().isEmpty());

    s->SetStoreNo("2");
    QCOMPARE(StoredGoodsOf().size(), 1);
    QCOMPARE(StoredFinanceOf().size(), 1);

    // Edits reuse statements kept with the connection: a restore may drop
    // and make the tables under them, and after the connection is opened
    // again they reach the database now open.
    QVERIFY(s->SaveGoodsRow(g) && s->SaveGoodsRow(g));
    QVERIFY(db.manager()->DropAllTables());
    db.manager()->CreateAllTables();
    QVERIFY(s->SaveGoodsRow(g) && s->SaveGoodsRow(g));
    db.manager()->Close();
    QVERIFY(!s->SaveGoodsRow(g));
    QVERIFY(db.manager()->ConnectDb(db.settings));
    g.num = QStringLiteral("8");
    QVERIFY(s->SaveGoodsRow(g));
    QCOMPARE(StoredGoodsOf(), GoodsList{g});
}

void TestStores::rowsComeBackInEntryOrder()
{
    TempStore db;
    REQUIRE_DB(db);
    // The stock computation applies movements in the order it reads them, so
    // neither the business date nor a later edit may reorder a page.
    GoodsRecord first = MakeGoods(GoodsKind::PurchaseIn, "s9", "2024-03-09");
    const GoodsRecord second = MakeGoods(GoodsKind::PurchaseIn, "s1", "2024-03-01"),
                      third = MakeGoods(GoodsKind::Sale, "s5", "2024-03-05");
    for (const GoodsRecord &r : {first, second, third})
        QVERIFY(db.store()->SaveGoodsRow(r));
    first.num = QStringLiteral("42");
    QVERIFY(db.store()->SaveGoodsRow(first));
    for (int mode : {2, 3, 5}) {
        GoodsList rows;
        QVERIFY(db.store()->QueryGoods(mode, -1, QString(), "2024-03-10", rows));
        QCOMPARE(rows, (GoodsList{first, second, third}));
    }
    // "Latest" is the last entered, not the last edited nor the latest date.
    const struct
    {
        const char *code;
        int kind;
        const char *except;
        GoodsList latest;
    } looks[] = {{"v5", -1, "", {third}},
                 {"v5", GoodsKind::PurchaseIn, "", {second}},
                 {"v5", -1, "s5", {second}},
                 {"v6", -1, "", {}}};
    for (const auto &l : looks) {
        GoodsList found;
        QVERIFY(db.store()->LatestGoodsWithCode(l.code, l.kind, l.except, found));
        QCOMPARE(found, l.latest);
    }
    GoodsList article, elsewhere;
    QVERIFY(db.store()->QueryArticleGoods("M1", "v4", "v8", article));
    QCOMPARE(article, (GoodsList{first, second, third}));
    db.store()->SetStoreNo("2");
    QVERIFY(db.store()->QueryArticleGoods("M1", "v4", "v8", elsewhere) && elsewhere.isEmpty());
}

// Accounts are found by phone or name within the store, log in across stores
// with their own password only, and are replaced all or nothing.
void TestStores::accounts()
{
    TempStore db;
    REQUIRE_DB(db);
    StoreDbAccess *s = db.store();
    s->SetStoreNo("2");
    QVERIFY(s->AddOrUpdateUser(MakeUser("138", "ann", "two"))
            && s->AddOrUpdateUser(MakeUser("9", "theirs", "p")));
    s->SetStoreNo("1");
    // Same phone as store 2's account: a new account here; then found by phone, then by name.
    for (const UserRecord &u : {MakeUser("138", "ann", "one"), MakeUser("138", "annie", "new"),
                                MakeUser("999", "ann", "by'name", 2), MakeUser("", "nophone", "")})
        QVERIFY(s->AddOrUpdateUser(u));
    QCOMPARE(Password("store_no='1' and user_phoneno='138'"), QStringLiteral("by'name"));
    QVERIFY(!s->AddOrUpdateUser(MakeUser("", "", "x")));
    QVERIFY(PasswordMatches(s, "ann", "by'name") && PasswordMatches(s, "138", "by'name"));
    QVERIFY(PasswordMatches(s, "ann", "two")); // one owner account may serve several shops
    QVERIFY(!PasswordMatches(s, "ann", "BY'NAME") && !PasswordMatches(s, "' or '1'='1", "' or '1'='1"));
    QVERIFY(!PasswordMatches(s, "", ""));
    UserRecord elsewhere = MakeUser("138", "ann", "mine", 4);
    QVERIFY(!UserFound(s, elsewhere));
    elsewhere.password = "two";
    QVERIFY(UserFound(s, elsewhere));
    QCOMPARE(elsewhere.userType, 3);
    s->SetStoreNo("2");
    QVERIFY(s->DeleteUser(MakeUser("138", "ann", QString())));
    QCOMPARE(db.Count("tb_sm_user", "user_name='ann'"), 1);
    s->SetStoreNo("1");

    // The users page may hold two rows with one name; each logs in with its own rights.
    const QList<UserRecord> list{MakeUser("2", "bob", "boss", 1), MakeUser("3", "bob", "clerk", 4)};
    QVERIFY(s->ReplaceUsers(list));
    QVERIFY(!PasswordMatches(s, "ann", "by'name"));
    for (const UserRecord &expected : list) {
        UserRecord login = MakeUser("bob", "bob", expected.password, 0);
        QVERIFY(UserFound(s, login));
        QCOMPARE(login.userType, expected.userType);
        QCOMPARE(login.phone, expected.phone);
    }
    // A write failing half-way leaves the accounts as they were.
    QVERIFY(db.RefuseInserts("tb_sm_user", "new.user_name='boom'"));
    const Result replaced = s->ReplaceUsers({MakeUser("4", "fine", "c"), MakeUser("5", "boom", "d")});
    QVERIFY2(!replaced && replaced.error().contains("refused"), qPrintable(replaced.error())); // the reason
    QCOMPARE(db.Count("tb_sm_user", "store_no='1'"), 2);
    // The re-login of a destructive action finds this store's accounts alone.
    UserRecord found;
    QVERIFY(s->FindStoreAccount("bob", "clerk", &found) && found.userType == 4 && found.phone == "3");
    QVERIFY(s->FindStoreAccount("2", "boss", &found) && found.userType == 1);
    QVERIFY(!s->FindStoreAccount("theirs", "p", &found) && !s->FindStoreAccount("bob", "Clerk", &found));
    QVERIFY(PasswordMatches(s, "theirs", "p")); // while the first login still takes them
    QVERIFY(PasswordMatches(s, "bob", "clerk") && !PasswordMatches(s, "fine", "c"));
    QCOMPARE(db.Count("tb_sm_user", "store_no='2'"), 1);
}

// A commit the database refuses leaves its reason with the guard and on the
// connection, where callers that ask the connection look for it.
void TestStores::failedCommitSaysWhy()
{
    TempStore db;
    REQUIRE_DB(db);
    QVERIFY(db.Exec("create table parent(id integer primary key)"));
    QVERIFY(db.Exec("create table child(p integer references parent(id) deferrable initially deferred)"));
    QVERIFY(db.Pg() || db.Exec("pragma foreign_keys=on"));
    QSqlDatabase conn = db.manager()->Connection();
    TransactionGuard tx(conn);
    QVERIFY(tx.IsActive() && tx.error().isEmpty());
    QVERIFY(db.Exec("insert into child(p) values(7)"));
    QVERIFY(!tx.Commit());
    QVERIFY2(tx.error().contains("foreign key", Qt::CaseInsensitive), qPrintable(tx.error()));
    QVERIFY2(conn.lastError().text().contains("foreign key", Qt::CaseInsensitive),
             qPrintable(conn.lastError().text()));
}

void TestStores::builtInAccount_data()
{
    QTest::addColumn<QByteArray>("login");     // the value of [Login] BuiltInAccount, null: no key
    QTest::addColumn<QStringList>("accounts"); // "store:name:type"
    QTest::addColumn<bool>("allowed");
    const QStringList owner{"1:bob:1"}, second{"1:bob:2"};
    QTest::newRow("default, no account") << QByteArray() << QStringList() << true;
    QTest::newRow("default, an owner") << QByteArray() << owner << true;
    QTest::newRow("switched off, no owner yet") << QByteArray("false") << second << true;
    QTest::newRow("switched off, an owner") << QByteArray("false") << owner << false;
    QTest::newRow("switched off as 0") << QByteArray("0") << owner << false;
    QTest::newRow("True keeps it") << QByteArray("True") << owner << true;
    QTest::newRow("owner of another store") << QByteArray("false") << QStringList{"2:bob:1"} << true;
    QTest::newRow("stored admin of type 3") << QByteArray() << QStringList{"1:admin:3"} << false;
    QTest::newRow("admin of another store") << QByteArray() << QStringList{"2:admin:3"} << true;
}

// admin/470215 opens a new installation, and the owner can close it.
void TestStores::builtInAccount()
{
    QFETCH(QByteArray, login);
    QFETCH(QStringList, accounts);
    TempStore db;
    REQUIRE_DB(db);
    for (const QString &a : accounts) {
        db.store()->SetStoreNo(a.section(':', 0, 0));
        QVERIFY(db.store()->AddOrUpdateUser(
            MakeUser("1" + a, a.section(':', 1, 1), "pw", a.section(':', 2).toInt())));
    }
    db.store()->SetStoreNo("1");
    const QString ini = db.dir.filePath("dBConfig.ini");
    QFile file(ini);
    QVERIFY(file.open(QIODevice::WriteOnly)
            && file.write("[StoreNo]\nNo=1\n"
                          + (login.isNull() ? QByteArray() : "[Login]\nBuiltInAccount=" + login + "\n"))
                > 0);
    file.close();
    const Result allowed = db.store()->BuiltInAccountAllowed(StoreDbAccess::BuiltInAccountSwitchedOff(ini));
    QTEST(allowed.ok(), "allowed");
    QVERIFY(allowed.ok() || !allowed.error().isEmpty());
    // The users dialog's box writes the same key; the store number stays.
    QVERIFY(StoreDbAccess::SwitchBuiltInAccount(false, ini) && StoreDbAccess::BuiltInAccountSwitchedOff(ini));
    QVERIFY(StoreDbAccess::SwitchBuiltInAccount(true, ini) && !StoreDbAccess::BuiltInAccountSwitchedOff(ini));
    QCOMPARE(StoreDbAccess::ReadStoreNo(ini), QStringLiteral("1"));
}

QTEST_GUILESS_MAIN(TestStores)
#include "test_stores.moc"
