#include "app/modalseam.h"
#include "db/dbmanager.h"
#include "db/storedbaccess.h"
#include "masterdata/dialogusermge.h"

#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
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

    void userTypeFromText_data();
    void userTypeFromText();
    void editRewritesAccounts();
    void chooserWritesType();
    void deleteAndClear_data();
    void deleteAndClear();

private:
    QTemporaryDir *m_dir = nullptr;
    QString m_click;
    QScopedPointer<DialogUserMge> m_dialog;
};

void TestDialogUserMge::init()
{
    m_dir = new QTemporaryDir;
    DbSettings settings;
    settings.driver = QStringLiteral("QSQLITE");
    settings.file = m_dir->filePath(QStringLiteral("quillon.db"));
    QVERIFY(DbManager::Instance()->ConnectDb(settings));
    StoreDbAccess::Instance()->SetDbManager(DbManager::Instance());
    StoreDbAccess::Instance()->SetStoreNo(QStringLiteral("7"));
    m_click = QStringLiteral("确认");
    ModalSeam::SetBoxAnswerer([this](QMessageBox &box) {
        for (QAbstractButton *b : box.buttons()) {
            if (b->text() == m_click)
                return b->click();
        }
        box.reject();
    });

    // Two users, typed in the way a user would: add two rows, fill the cells.
    m_dialog.reset(new DialogUserMge);
    QTableWidget *users = m_dialog->Table(ListTables::Users);
    users->setRowCount(0);
    m_dialog->findChild<QPushButton *>("btn_add")->click();
    m_dialog->findChild<QPushButton *>("btn_add")->click();
    const QStringList ann = { "ann", "13800000001", "pw-a", "超级用户", "boss" };
    const QStringList bob = { "bob", "13800000002", "pw.b", "一般用户", "" };
    for (int c = 0; c < ann.size(); ++c) {
        users->item(0, c + 1)->setText(ann.at(c));
        users->item(1, c + 1)->setText(bob.at(c));
    }
}

void TestDialogUserMge::cleanup()
{
    m_dialog.reset();
    ModalSeam::SetBoxAnswerer({});
    ModalSeam::SetDialogAnswerer({});
    DbManager::Instance()->Close();
    delete m_dir;
}

void TestDialogUserMge::userTypeFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");
    QTest::newRow("super") << "超级用户" << 1;
    QTest::newRow("authorised") << "授权用户" << 2;
    QTest::newRow("general falls to default") << "一般用户" << 3;
    QTest::newRow("browse") << "浏览用户" << 4;
    QTest::newRow("digit 1 anywhere") << "level 21" << 1;
    QTest::newRow("1 wins over browse") << "浏览1" << 1;
    QTest::newRow("unknown") << "guest" << 3;
}

void TestDialogUserMge::userTypeFromText()
{
    QFETCH(QString, text);
    QFETCH(int, type);
    QCOMPARE(DialogUserMge::UserTypeFromText(text), type);
}

void TestDialogUserMge::editRewritesAccounts()
{
    StoreDbAccess *store = StoreDbAccess::Instance();
    QVERIFY(store->CheckUserPassword("ann", "pw-a"));
    QVERIFY(store->CheckUserPassword("13800000002", "pw.b"));
    QVERIFY(!store->CheckUserPassword("bob", "pw-a"));
    const UserRecord ann = Account("ann", "13800000001");
    QCOMPARE(ann.userType, 1);
    QCOMPARE(ann.online, 1);
    QCOMPARE(ann.remark, QStringLiteral("boss"));
    QCOMPARE(ann.ip, m_dialog->localIp());
    QCOMPARE(Account("bob", "13800000002").userType, 3);

    // An account the table does not hold goes at the next edit; another store's stays.
    UserRecord ghost;
    ghost.name = "ghost";
    ghost.phone = "100";
    ghost.password = "boo";
    QVERIFY(store->AddOrUpdateUser(ghost));
    store->SetStoreNo("8");
    QVERIFY(store->AddOrUpdateUser(ghost));
    store->SetStoreNo("7");

    m_dialog->Table(ListTables::Users)->item(1, 3)->setText("new");
    QVERIFY(store->CheckUserPassword("bob", "new"));
    QVERIFY(!store->CheckUserPassword("bob", "pw.b"));
    const auto ghosts = [](const QString &storeNo) {
        QSqlQuery q(DbManager::Instance()->Connection());
        q.prepare("select count(*) from tb_sm_user where user_name='ghost' and store_no=?");
        q.addBindValue(storeNo);
        return q.exec() && q.next() ? q.value(0).toInt() : -1;
    };
    QCOMPARE(ghosts("7"), 0);
    QCOMPARE(ghosts("8"), 1);

    // The list copy holds the same rows, password in clear.
    InfoList list{ ListTables::Users, QString() };
    store->ReadInfoList(InfoStore::People, list);
    QCOMPARE(list.list, QStringLiteral("ann-13800000001-pw##a-超级用户-boss;bob-13800000002-new-一般用户-"));
}

void TestDialogUserMge::chooserWritesType()
{
    QStringList opened;
    ModalSeam::SetDialogAnswerer([&](QDialog &chooser) {
        auto *types = chooser.findChild<QComboBox *>();
        opened << chooser.windowTitle() + QLatin1Char('|') + types->objectName();
        emit types->textActivated(types->itemText(3));
        chooser.reject();
    });
    // Only the type column of the user table opens the chooser.
    emit m_dialog->Table(ListTables::Users)->cellClicked(1, 3);
    emit m_dialog->Table(ListTables::Employees)->cellClicked(1, 4);
    QVERIFY(opened.isEmpty());

    emit m_dialog->Table(ListTables::Users)->cellClicked(1, 4);
    QCOMPARE(opened, QStringList{ "设置用户权限|1-4" });
    QCOMPARE(m_dialog->Table(ListTables::Users)->item(1, 4)->text(), QStringLiteral("浏览用户"));
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
    QTest::newRow("clear cancelled") << "btn_clear" << "取消" << true << true << true;
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
    m_click = answer;
    m_dialog->findChild<QPushButton *>(button)->click();

    StoreDbAccess *store = StoreDbAccess::Instance();
    QCOMPARE(store->CheckUserPassword("ann", "pw-a"), annKept);
    QCOMPARE(store->CheckUserPassword("bob", "pw.b"), bobKept);
    QCOMPARE(m_dialog->Table(ListTables::Users)->rowCount(), int(annKept) + int(bobKept));
    InfoList list{ ListTables::Users, QStringLiteral("<none>") };
    store->ReadInfoList(InfoStore::People, list);
    QCOMPARE(list.list.startsWith("ann-"), annKept);
    QCOMPARE(list.list == QLatin1String("<none>"), !annKept && !bobKept);
}

QTEST_MAIN(TestDialogUserMge)
#include "test_dialogusermge.moc"
