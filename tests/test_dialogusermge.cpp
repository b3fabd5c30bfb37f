#include "ledgertestsupport.h"
#include "masterdata/dialogusermge.h"
#include "storetestsupport.h"

#include <QComboBox>
#include <QPushButton>
#include <QtTest>

namespace {

UserRecord Account(const QString &name, const QString &phone)
{
    UserRecord user;
    user.name = name;
    user.phone = phone;
    user.userType = -1;
    StoreDbAccess::Instance()->ReadUser(user);
    return user;
}

} // namespace

class TestDialogUserMge : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void userTypeFromText();
    void editRewritesAccounts();
    void chooserWritesType();
    void deleteAndClear_data();
    void deleteAndClear();

private:
    QScopedPointer<TempStore> m_db;
    QScopedPointer<BoxAnswers> m_boxes;
    QScopedPointer<DialogUserMge> m_dialog;
};

void TestDialogUserMge::init()
{
    m_db.reset(new TempStore(QStringLiteral("7")));
    REQUIRE_DB(*m_db);
    m_boxes.reset(new BoxAnswers);
    // Two users, typed in the way a user would: add two rows, fill the cells.
    m_dialog.reset(new DialogUserMge);
    QTableWidget *users = m_dialog->Table(ListTables::Users);
    users->setRowCount(0);
    m_dialog->findChild<QPushButton *>("btn_add")->click();
    m_dialog->findChild<QPushButton *>("btn_add")->click();
    const QStringList ann = {"ann", "13800000001", "pw-a", "超级用户", "boss"};
    const QStringList bob = {"bob", "13800000002", "pw.b", "一般用户", ""};
    for (int c = 0; c < ann.size(); ++c) {
        users->item(0, c + 1)->setText(ann.at(c));
        users->item(1, c + 1)->setText(bob.at(c));
    }
}

void TestDialogUserMge::cleanup()
{
    m_dialog.reset();
    m_boxes.reset();
    ModalSeam::SetDialogAnswerer({});
    m_db.reset();
}

void TestDialogUserMge::userTypeFromText()
{
    const QList<QPair<QString, int>> cases{{"超级用户", 1}, {"授权用户", 2}, {"一般用户", 3}, {"浏览用户", 4},
                                           {"浏览1", 1}, {"guest", 3}};
    for (const auto &c : cases)
        QCOMPARE(DialogUserMge::UserTypeFromText(c.first), c.second);
}

void TestDialogUserMge::editRewritesAccounts()
{
    StoreDbAccess *store = StoreDbAccess::Instance();
    QVERIFY(store->CheckUserPassword("ann", "pw-a"));
    QVERIFY(store->CheckUserPassword("13800000002", "pw.b"));
    const UserRecord ann = Account("ann", "13800000001");
    QCOMPARE(ann.userType, 1);
    QCOMPARE(ann.remark, QStringLiteral("boss"));
    QCOMPARE(Account("bob", "13800000002").userType, 3);

    // An account the table does not hold goes at the next edit; another store's stays.
    UserRecord ghost;
    ghost.name = "ghost";
    ghost.password = "boo";
    QVERIFY(store->AddOrUpdateUser(ghost));
    store->SetStoreNo("8");
    QVERIFY(store->AddOrUpdateUser(ghost));
    store->SetStoreNo("7");

    m_dialog->Table(ListTables::Users)->item(1, 3)->setText("new");
    QVERIFY(store->CheckUserPassword("bob", "new"));
    QVERIFY(!store->CheckUserPassword("bob", "pw.b"));
    QCOMPARE(TempStore::Count(QStringLiteral("tb_sm_user"), QStringLiteral("user_name='ghost' and store_no='7'")), 0);
    QCOMPARE(TempStore::Count(QStringLiteral("tb_sm_user"), QStringLiteral("user_name='ghost' and store_no='8'")), 1);

    InfoList list{ListTables::Users, QString()};
    store->ReadInfoList(InfoStore::People, list);
    QCOMPARE(list.list, QStringLiteral("ann-13800000001-pw##a-超级用户-boss;bob-13800000002-new-一般用户-"));
}

void TestDialogUserMge::chooserWritesType()
{
    QStringList opened;
    ModalSeam::SetDialogAnswerer([&](QDialog &chooser) {
        auto *types = chooser.findChild<QComboBox *>();
        opened << types->objectName();
        emit types->textActivated(types->itemText(3));
        chooser.reject();
    });
    // Only the type column of the user table opens the chooser.
    emit m_dialog->Table(ListTables::Users)->cellClicked(1, 3);
    emit m_dialog->Table(ListTables::Employees)->cellClicked(1, 4);
    QVERIFY(opened.isEmpty());
    emit m_dialog->Table(ListTables::Users)->cellClicked(1, 4);
    QCOMPARE(opened, QStringList{"1-4"});
    QCOMPARE(Account("bob", "13800000002").userType, 4);
}

void TestDialogUserMge::deleteAndClear_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("loginOk");
    QTest::addColumn<bool>("annKept");
    QTest::addColumn<bool>("bobKept");
    QTest::newRow("delete confirmed") << "btn_del" << "确认" << true << false << true;
    QTest::newRow("delete cancelled") << "btn_del" << "取消" << true << true << true;
    QTest::newRow("clear confirmed") << "btn_clear" << "确认" << true << false << false;
    QTest::newRow("clear without login") << "btn_clear" << "确认" << false << true << true;
}

void TestDialogUserMge::deleteAndClear()
{
    QFETCH(QString, button);
    QFETCH(QString, answer);
    QFETCH(bool, loginOk);
    QFETCH(bool, annKept);
    QFETCH(bool, bobKept);

    m_dialog->SetRelogin([loginOk] { return loginOk; });
    m_dialog->Table(ListTables::Users)->setCurrentCell(0, 1);
    m_boxes->Click(answer);
    m_dialog->findChild<QPushButton *>(button)->click();

    StoreDbAccess *store = StoreDbAccess::Instance();
    QCOMPARE(store->CheckUserPassword("ann", "pw-a"), annKept);
    QCOMPARE(store->CheckUserPassword("bob", "pw.b"), bobKept);
    QCOMPARE(m_dialog->Table(ListTables::Users)->rowCount(), int(annKept) + int(bobKept));
}

QTEST_MAIN(TestDialogUserMge)
#include "test_dialogusermge.moc"
