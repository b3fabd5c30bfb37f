#include "app/modalseam.h"
#include "db/dbmanager.h"
#include "db/storedbaccess.h"
#include "masterdata/dialogusermge.h"

#include <QComboBox>
#include <QHostAddress>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString Stored(int infoType)
{
    InfoList list{ infoType, QStringLiteral("<none>") };
    StoreDbAccess::Instance()->ReadInfoList(InfoStore::People, list);
    return list.list;
}

UserRecord Account(const QString &name, const QString &phone)
{
    UserRecord user;
    user.name = name;
    user.phone = phone;
    user.userType = -1;
    StoreDbAccess::Instance()->ReadUser(user);
    return user;
}

void SetCell(QTableWidget *table, int row, int column, const QString &text)
{
    if (QTableWidgetItem *item = table->item(row, column))
        item->setText(text);
    else
        table->setItem(row, column, new QTableWidgetItem(text));
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
    void chooserOnlyForTypeColumn();
    void deleteUser_data();
    void deleteUser();
    void clearRemovesStoreAccounts_data();
    void clearRemovesStoreAccounts();
    void peopleListsAreOrdinaryLists();

private:
    DialogUserMge *NewDialogWithUsers();

    QTemporaryDir *m_dir = nullptr;
    QString m_click;
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
            if (b->text() == m_click) {
                b->click();
                return;
            }
        }
        box.reject();
    });
}

void TestDialogUserMge::cleanup()
{
    ModalSeam::SetBoxAnswerer({});
    ModalSeam::SetDialogAnswerer({});
    DbManager::Instance()->Close();
    delete m_dir;
    m_dir = nullptr;
}

// Two users, saved through the dialog the way a user would type them.
DialogUserMge *TestDialogUserMge::NewDialogWithUsers()
{
    auto *dialog = new DialogUserMge;
    QTableWidget *users = dialog->Table(ListTables::Users);
    users->setRowCount(0);
    dialog->findChild<QPushButton *>("btn_add")->click();
    dialog->findChild<QPushButton *>("btn_add")->click();
    const QStringList ann = { "ann", "13800000001", "pw-a", "超级用户", "boss" };
    const QStringList bob = { "bob", "13800000002", "pw.b", "一般用户", "" };
    for (int c = 0; c < 5; ++c) {
        SetCell(users, 0, c + 1, ann.at(c));
        SetCell(users, 1, c + 1, bob.at(c));
    }
    return dialog;
}

void TestDialogUserMge::userTypeFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");
    QTest::newRow("super") << "超级用户" << 1;
    QTest::newRow("authorised") << "授权用户" << 2;
    QTest::newRow("general falls to default") << "一般用户" << 3;
    QTest::newRow("ordinary") << "普通" << 3;
    QTest::newRow("browse") << "浏览用户" << 4;
    QTest::newRow("digit 1 anywhere") << "level 21" << 1;
    QTest::newRow("1 wins over browse") << "浏览1" << 1;
    QTest::newRow("digit 4") << "4" << 4;
    QTest::newRow("unknown") << "guest" << 3;
    QTest::newRow("empty") << "" << 3;
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
    // An account of this store that the table does not hold, and one of another store.
    UserRecord ghost;
    ghost.name = "ghost";
    ghost.phone = "100";
    ghost.password = "boo";
    QVERIFY(store->AddOrUpdateUser(ghost));
    store->SetStoreNo("8");
    UserRecord other = ghost;
    other.name = "other";
    other.phone = "200";
    QVERIFY(store->AddOrUpdateUser(other));
    store->SetStoreNo("7");

    QScopedPointer<DialogUserMge> dialog(NewDialogWithUsers());
    QVERIFY(store->CheckUserPassword("ann", "pw-a"));
    QVERIFY(store->CheckUserPassword("13800000002", "pw.b"));
    QVERIFY(!store->CheckUserPassword("bob", "pw-a"));
    QVERIFY(!store->CheckUserPassword("ghost", "boo"));
    store->SetStoreNo("8");
    QVERIFY(store->CheckUserPassword("other", "boo"));  // the other store keeps its account
    store->SetStoreNo("7");

    const UserRecord ann = Account("ann", "13800000001");
    QCOMPARE(ann.userType, 1);
    QCOMPARE(ann.online, 1);
    QCOMPARE(ann.remark, QStringLiteral("boss"));
    QCOMPARE(ann.ip, dialog->localIp());
    QCOMPARE(Account("bob", "13800000002").userType, 3);
    QVERIFY(dialog->localIp().isEmpty()
            || QHostAddress(dialog->localIp()).protocol() == QAbstractSocket::IPv4Protocol);

    // The list copy holds the same rows, password in clear.
    QCOMPARE(Stored(ListTables::Users),
             QStringLiteral("ann-13800000001-pw##a-超级用户-boss;bob-13800000002-pw&&b-一般用户-"));

    // A password change takes effect at once.
    dialog->Table(ListTables::Users)->item(1, 3)->setText("new");
    QVERIFY(store->CheckUserPassword("bob", "new"));
    QVERIFY(!store->CheckUserPassword("bob", "pw.b"));
}

void TestDialogUserMge::chooserWritesType()
{
    QScopedPointer<DialogUserMge> dialog(NewDialogWithUsers());
    QSignalSpy refresh(dialog.data(), &DialogUserMge::sendRefresh);
    QString title;
    QString boxName;
    ModalSeam::SetDialogAnswerer([&](QDialog &chooser) {
        title = chooser.windowTitle();
        auto *types = chooser.findChild<QComboBox *>();
        boxName = types->objectName();
        QCOMPARE(types->count(), 4);
        emit types->activated(types->itemText(3));
        chooser.reject();
    });
    QTableWidget *users = dialog->Table(ListTables::Users);
    emit users->cellClicked(1, 4);

    QCOMPARE(title, QStringLiteral("设置用户权限"));
    QCOMPARE(boxName, QStringLiteral("1-4"));
    QCOMPARE(users->item(1, 4)->text(), QStringLiteral("浏览用户"));
    QCOMPARE(Account("bob", "13800000002").userType, 4);
    QCOMPARE(refresh.count(), 1);
}

void TestDialogUserMge::chooserOnlyForTypeColumn()
{
    QScopedPointer<DialogUserMge> dialog(NewDialogWithUsers());
    int opened = 0;
    ModalSeam::SetDialogAnswerer([&](QDialog &chooser) {
        ++opened;
        chooser.reject();
    });
    emit dialog->Table(ListTables::Users)->cellClicked(0, 3);
    emit dialog->Table(ListTables::Employees)->cellClicked(0, 4);
    QCOMPARE(opened, 0);
    emit dialog->Table(ListTables::Users)->cellClicked(0, 4);
    QCOMPARE(opened, 1);
}

void TestDialogUserMge::deleteUser_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("annRemains");
    QTest::newRow("confirmed") << "确认" << false;
    QTest::newRow("cancelled") << "取消" << true;
}

void TestDialogUserMge::deleteUser()
{
    QFETCH(QString, answer);
    QFETCH(bool, annRemains);
    QScopedPointer<DialogUserMge> dialog(NewDialogWithUsers());
    m_click = answer;
    dialog->Table(ListTables::Users)->setCurrentCell(0, 1);
    dialog->findChild<QPushButton *>("btn_del")->click();

    StoreDbAccess *store = StoreDbAccess::Instance();
    QCOMPARE(store->CheckUserPassword("ann", "pw-a"), annRemains);
    QVERIFY(store->CheckUserPassword("bob", "pw.b"));
    QCOMPARE(Stored(ListTables::Users).startsWith("ann-"), annRemains);
    QCOMPARE(dialog->Table(ListTables::Users)->rowCount(), annRemains ? 2 : 1);
}

void TestDialogUserMge::clearRemovesStoreAccounts_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("loginOk");
    QTest::addColumn<bool>("cleared");
    QTest::newRow("confirmed and logged in") << "确认" << true << true;
    QTest::newRow("cancelled") << "取消" << true << false;
    QTest::newRow("re-login failed") << "确认" << false << false;
}

void TestDialogUserMge::clearRemovesStoreAccounts()
{
    QFETCH(QString, answer);
    QFETCH(bool, loginOk);
    QFETCH(bool, cleared);
    QScopedPointer<DialogUserMge> dialog(NewDialogWithUsers());
    dialog->SetRelogin([loginOk] { return loginOk; });
    m_click = answer;
    dialog->findChild<QPushButton *>("btn_clear")->click();

    StoreDbAccess *store = StoreDbAccess::Instance();
    QCOMPARE(store->CheckUserPassword("ann", "pw-a"), !cleared);
    QCOMPARE(store->CheckUserPassword("bob", "pw.b"), !cleared);
    QCOMPARE(Stored(ListTables::Users) == QLatin1String("<none>"), cleared);
    QCOMPARE(dialog->Table(ListTables::Users)->rowCount(), cleared ? 0 : 2);
}

void TestDialogUserMge::peopleListsAreOrdinaryLists()
{
    StoreDbAccess *store = StoreDbAccess::Instance();
    QVERIFY(store->SaveInfoList(InfoStore::People, InfoList{ ListTables::Customers, "Li-男-30-wx-138-Rd 1-Acme-a.cn-" }));
    DialogUserMge dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("人员信息管理"));
    QTableWidget *customers = dialog.Table(ListTables::Customers);
    QCOMPARE(customers->columnCount(), 10);
    QCOMPARE(customers->rowCount(), 1);
    QCOMPARE(customers->item(0, 8)->text(), QStringLiteral("a.cn"));
    QCOMPARE(dialog.ColumnValues(ListTables::Customers, 0), QStringList{ "Li" });

    // Editing a people list leaves the accounts alone.
    UserRecord kept;
    kept.name = "kept";
    kept.phone = "1";
    kept.password = "x";
    QVERIFY(store->AddOrUpdateUser(kept));
    customers->item(0, 1)->setText("Wang");
    QCOMPARE(Stored(ListTables::Customers), QStringLiteral("Wang-男-30-wx-138-Rd 1-Acme-a&&cn-"));
    QVERIFY(store->CheckUserPassword("kept", "x"));
    QCOMPARE(dialog.Table(ListTables::Employees)->columnCount(), 11);
}

QTEST_MAIN(TestDialogUserMge)
#include "test_dialogusermge.moc"
