#include "storetestsupport.h"

#include <QtTest>

namespace {

UserRecord MakeUser(const QString &phone, const QString &name, const QString &password, int type = 3)
{
    UserRecord u;
    u.phone = phone;
    u.name = name;
    u.password = password;
    u.userType = type;
    u.online = 0;
    u.ip = QStringLiteral("192.168.1.2");
    u.remark = QStringLiteral("note");
    return u;
}

QString Password(const QString &where)
{
    return TempStore::Scalar(QStringLiteral("select user_password from tb_sm_user where ") + where).toString();
}

} // namespace

class TestUserStore : public QObject
{
    Q_OBJECT

private slots:
    void login_data();
    void login();
    void addOrUpdateStaysInStore();
    void accountsWithoutPhoneStayApart();
    void readUser();
    void deleteUserOnlyInStore();
    void replaceUsersIsAllOrNothing();
    void loginReadsTheAccountOfThePassword();
};

void TestUserStore::login_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("by name") << "alice" << "pw'1" << true;
    QTest::newRow("by phone") << "13800000001" << "pw'1" << true;
    QTest::newRow("wrong password") << "alice" << "pw'2" << false;
    QTest::newRow("password case matters") << "alice" << "PW'1" << false;
    // One owner account may serve several shops on one server.
    QTest::newRow("account of another store") << "bob" << "bobpw" << true;
    QTest::newRow("same name, other store's password") << "alice" << "other" << true;
    QTest::newRow("injection as account") << "' or '1'='1" << "pw'1" << false;
    QTest::newRow("injection as password") << "alice" << "' or '1'='1" << false;
    QTest::newRow("injection in both") << "' or '1'='1" << "' or '1'='1" << false;
    QTest::newRow("empty account") << "" << "" << false;
    QTest::newRow("quote in name") << "o'hara" << "x" << true;
}

void TestUserStore::login()
{
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(bool, accepted);

    TempStore db;
    REQUIRE_DB(db);
    db.store()->SetStoreNo(QStringLiteral("2"));
    QVERIFY(db.store()->AddOrUpdateUser(MakeUser(QStringLiteral("13900000009"), QStringLiteral("bob"),
                                                 QStringLiteral("bobpw"))));
    QVERIFY(db.store()->AddOrUpdateUser(MakeUser(QStringLiteral("13900000008"), QStringLiteral("alice"),
                                                 QStringLiteral("other"))));
    // An account without a phone must not be reachable by an empty account text.
    QVERIFY(db.store()->AddOrUpdateUser(MakeUser(QString(), QStringLiteral("nophone"), QString())));
    db.store()->SetStoreNo(QStringLiteral("1"));
    QVERIFY(db.store()->AddOrUpdateUser(MakeUser(QStringLiteral("13800000001"), QStringLiteral("alice"),
                                                 QStringLiteral("pw'1"))));
    QVERIFY(db.store()->AddOrUpdateUser(MakeUser(QStringLiteral("13800000002"), QStringLiteral("o'hara"),
                                                 QStringLiteral("x"))));
    QVERIFY(db.store()->AddOrUpdateUser(MakeUser(QString(), QStringLiteral("nophone1"), QString())));

    QCOMPARE(db.store()->CheckUserPassword(account, password), accepted);
}

void TestUserStore::addOrUpdateStaysInStore()
{
    TempStore db;
    REQUIRE_DB(db);
    db.store()->SetStoreNo(QStringLiteral("2"));
    QVERIFY(db.store()->AddOrUpdateUser(MakeUser(QStringLiteral("138"), QStringLiteral("ann"), QStringLiteral("two"))));

    db.store()->SetStoreNo(QStringLiteral("1"));
    // Same phone as store 2's account: a new account here, store 2 untouched.
    QVERIFY(db.store()->AddOrUpdateUser(MakeUser(QStringLiteral("138"), QStringLiteral("ann"), QStringLiteral("one"))));
    QCOMPARE(db.Count(QStringLiteral("tb_sm_user")), 2);
    QCOMPARE(Password(QStringLiteral("store_no='2'")), QStringLiteral("two"));
    QCOMPARE(Password(QStringLiteral("store_no='1'")), QStringLiteral("one"));

    // Found by phone with another name: that very row is updated, nothing inserted.
    UserRecord changed = MakeUser(QStringLiteral("138"), QStringLiteral("annie"), QStringLiteral("new'pw"), 1);
    QVERIFY(db.store()->AddOrUpdateUser(changed));
    QCOMPARE(db.Count(QStringLiteral("tb_sm_user"), QStringLiteral("store_no='1'")), 1);
    QCOMPARE(Password(QStringLiteral("store_no='1'")), QStringLiteral("new'pw"));
    QCOMPARE(db.Scalar(QStringLiteral("select user_type from tb_sm_user where store_no='1'")).toInt(), 1);
    QCOMPARE(Password(QStringLiteral("store_no='2'")), QStringLiteral("two"));

    // Found by name.
    QVERIFY(db.store()->AddOrUpdateUser(MakeUser(QStringLiteral("999"), QStringLiteral("ann"), QStringLiteral("byname"))));
    QCOMPARE(db.Count(QStringLiteral("tb_sm_user"), QStringLiteral("store_no='1'")), 1);
    QCOMPARE(Password(QStringLiteral("store_no='1'")), QStringLiteral("byname"));

    QVERIFY(!db.store()->AddOrUpdateUser(MakeUser(QString(), QString(), QStringLiteral("x"))));
}

void TestUserStore::accountsWithoutPhoneStayApart()
{
    TempStore db;
    REQUIRE_DB(db);
    QVERIFY(db.store()->AddOrUpdateUser(MakeUser(QString(), QStringLiteral("a"), QStringLiteral("pa"))));
    QVERIFY(db.store()->AddOrUpdateUser(MakeUser(QString(), QStringLiteral("b"), QStringLiteral("pb"))));
    QCOMPARE(db.Count(QStringLiteral("tb_sm_user")), 2);
    QCOMPARE(Password(QStringLiteral("user_name='a'")), QStringLiteral("pa"));
    QVERIFY(db.store()->CheckUserPassword(QStringLiteral("b"), QStringLiteral("pb")));
    QVERIFY(!db.store()->CheckUserPassword(QStringLiteral("a"), QStringLiteral("pb")));
}

void TestUserStore::readUser()
{
    TempStore db;
    REQUIRE_DB(db);
    UserRecord stored = MakeUser(QStringLiteral("13800000001"), QStringLiteral("alice"), QStringLiteral("pw"), 2);
    stored.online = 1;
    stored.remark = QStringLiteral("it's me");
    QVERIFY(db.store()->AddOrUpdateUser(stored));
    db.store()->SetStoreNo(QStringLiteral("2"));
    QVERIFY(db.store()->AddOrUpdateUser(MakeUser(QStringLiteral("13800000002"), QStringLiteral("carol"), QStringLiteral("c"))));
    db.store()->SetStoreNo(QStringLiteral("1"));

    UserRecord byName;
    byName.name = QStringLiteral("alice");
    QVERIFY(db.store()->ReadUser(byName));
    QCOMPARE(byName.phone, stored.phone);
    QCOMPARE(byName.password, stored.password);
    QCOMPARE(byName.userType, 2);
    QCOMPARE(byName.online, 1);
    QCOMPARE(byName.remark, stored.remark);

    UserRecord byPhone;
    byPhone.phone = stored.phone;
    QVERIFY(db.store()->ReadUser(byPhone));
    QCOMPARE(byPhone.name, stored.name);

    // Another store's account is read for the login, but only with its own password.
    UserRecord elsewhere = MakeUser(QStringLiteral("13800000002"), QStringLiteral("carol"), QStringLiteral("mine"), 4);
    QVERIFY(!db.store()->ReadUser(elsewhere));
    QCOMPARE(elsewhere.userType, 4);
    elsewhere.password = QStringLiteral("c");
    QVERIFY(db.store()->ReadUser(elsewhere));
    QCOMPARE(elsewhere.userType, 3);
}

void TestUserStore::deleteUserOnlyInStore()
{
    TempStore db;
    REQUIRE_DB(db);
    const UserRecord u = MakeUser(QStringLiteral("1"), QStringLiteral("same"), QStringLiteral("p"));
    QVERIFY(db.store()->AddOrUpdateUser(u));
    db.store()->SetStoreNo(QStringLiteral("2"));
    QVERIFY(db.store()->AddOrUpdateUser(u));
    QVERIFY(db.store()->DeleteUser(u));
    db.store()->SetStoreNo(QStringLiteral("1"));
    QCOMPARE(db.Count(QStringLiteral("tb_sm_user")), 1);
    QVERIFY(db.store()->CheckUserPassword(QStringLiteral("same"), QStringLiteral("p")));
}

void TestUserStore::replaceUsersIsAllOrNothing()
{
    TempStore db;
    REQUIRE_DB(db);
    QVERIFY(db.store()->AddOrUpdateUser(MakeUser(QStringLiteral("1"), QStringLiteral("old"), QStringLiteral("p"))));
    db.store()->SetStoreNo(QStringLiteral("2"));
    QVERIFY(db.store()->AddOrUpdateUser(MakeUser(QStringLiteral("9"), QStringLiteral("theirs"), QStringLiteral("p"))));
    db.store()->SetStoreNo(QStringLiteral("1"));

    const QList<UserRecord> list{MakeUser(QStringLiteral("2"), QStringLiteral("new1"), QStringLiteral("a")),
                                 MakeUser(QStringLiteral("3"), QStringLiteral("new'2"), QStringLiteral("b"))};
    QVERIFY(db.store()->ReplaceUsers(list));
    QCOMPARE(db.Count(QStringLiteral("tb_sm_user"), QStringLiteral("store_no='1'")), 2);
    QVERIFY(!db.store()->CheckUserPassword(QStringLiteral("old"), QStringLiteral("p")));
    QVERIFY(db.store()->CheckUserPassword(QStringLiteral("new'2"), QStringLiteral("b")));
    QCOMPARE(db.Count(QStringLiteral("tb_sm_user"), QStringLiteral("store_no='2'")), 1);

    // A write failing half-way must leave the accounts as they were.
    QVERIFY(db.RefuseInserts(QStringLiteral("tb_sm_user"), QStringLiteral("new.user_name='boom'")));
    const QList<UserRecord> broken{MakeUser(QStringLiteral("4"), QStringLiteral("fine"), QStringLiteral("c")),
                                   MakeUser(QStringLiteral("5"), QStringLiteral("boom"), QStringLiteral("d"))};
    QVERIFY(!db.store()->ReplaceUsers(broken));
    QCOMPARE(db.Count(QStringLiteral("tb_sm_user"), QStringLiteral("store_no='1'")), 2);
    QVERIFY(db.store()->CheckUserPassword(QStringLiteral("new1"), QStringLiteral("a")));
    QVERIFY(!db.store()->CheckUserPassword(QStringLiteral("fine"), QStringLiteral("c")));
}

void TestUserStore::loginReadsTheAccountOfThePassword()
{
    TempStore db;
    REQUIRE_DB(db);
    // The users page may hold two rows with one name; each logs in with its own rights.
    const QList<UserRecord> list{MakeUser(QStringLiteral("1"), QStringLiteral("bob"), QStringLiteral("boss"), 1),
                                 MakeUser(QStringLiteral("2"), QStringLiteral("bob"), QStringLiteral("clerk"), 4)};
    QVERIFY(db.store()->ReplaceUsers(list));
    for (const UserRecord &expected : list) {
        QVERIFY(db.store()->CheckUserPassword(QStringLiteral("bob"), expected.password));
        UserRecord login;
        login.phone = login.name = QStringLiteral("bob");
        login.password = expected.password;
        QVERIFY(db.store()->ReadUser(login));
        QCOMPARE(login.userType, expected.userType);
        QCOMPARE(login.phone, expected.phone);
    }
}

QTEST_GUILESS_MAIN(TestUserStore)
#include "test_userstore.moc"
