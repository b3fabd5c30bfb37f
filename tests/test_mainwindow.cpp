#include "app/dialoglogin.h"
#include "app/mainwindow.h"
#include "db/stockrules.h"
#include "ledger/ledgermodel.h"
#include "ledger/ledgerpages.h"
#include "ledgertestsupport.h"
#include "resources/resources.h"
#include "storetestsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolBar>
#include <QtTest>
#include <memory>

namespace {

// Fills the login form and presses "onok".
void LogIn(QDialog &dialog, const QString &account, const QString &password)
{
    dialog.findChild<QLineEdit *>("input_name")->setText(account);
    dialog.findChild<QLineEdit *>("input_password")->setText(password);
    dialog.findChild<QPushButton *>("onok")->click();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void login_data();
    void login();
    void permissions_data();
    void permissions();
    void clearingNeedsAnAuthorisedRelogin_data();
    void clearingNeedsAnAuthorisedRelogin();
    void stockAlertsAtLogin_data();
    void stockAlertsAtLogin();

private:
    std::unique_ptr<MainWindow> NewWindow(int type);

    std::unique_ptr<TempStore> m_store;
    QString m_oldCurrent;
    std::unique_ptr<BoxAnswers> m_boxes;
};

void TestMainWindow::initTestCase()
{
    InitQuillonResources();
    m_oldCurrent = QDir::currentPath();
}

void TestMainWindow::init()
{
    m_store = std::make_unique<TempStore>();
    QVERIFY(m_store->connected);
    QVERIFY(QDir::setCurrent(m_store->dir.path())); // the window makes its folders here
    // A clerk, a stored account sharing the built-in name, quotes in name and
    // password, and the owner's account kept by another shop on the server.
    const UserRecord users[] = {{3, 0, "13800000001", "张三", "pw1", QString(), QString()},
                                {2, 0, "13900000002", "admin", "stored", QString(), QString()},
                                {4, 0, "13700000003", "O'Brien", "a'b\"c;--", QString(), QString()}};
    for (const UserRecord &user : users)
        QVERIFY(TempStore::store()->AddOrUpdateUser(user));
    TempStore::store()->SetStoreNo("2");
    QVERIFY(TempStore::store()->AddOrUpdateUser({1, 0, "13600000004", "老板", "boss", QString(), QString()}));
    TempStore::store()->SetStoreNo("1");

    m_boxes = std::make_unique<BoxAnswers>();
    ModalSeam::SetFileAnswerer([](const QString &, const QString &, const QString &) { return QString(); });
    ModalSeam::SetDialogAnswerer([](QDialog &dialog) { dialog.reject(); });
    MainWindow::SetProcessStarter([](const QString &, const QStringList &) { return true; });
}

void TestMainWindow::cleanup()
{
    m_boxes.reset();
    ModalSeam::SetDialogAnswerer({});
    ModalSeam::SetFileAnswerer({});
    MainWindow::SetProcessStarter({});
    QDir::setCurrent(m_oldCurrent);
    m_store.reset();
}

std::unique_ptr<MainWindow> TestMainWindow::NewWindow(int type)
{
    auto window = std::make_unique<MainWindow>();
    window->SetUser(UserRecord{type, 0, "13800000009", "测试员", QString(), QString(), QString()});
    window->Initialise();
    return window;
}

void TestMainWindow::login_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("type"); // 0: refused
    QTest::addColumn<QString>("phone");
    QTest::addColumn<bool>("database"); // false: closed, no account can be read

    QTest::newRow("account empty") << ""
                                   << "pw1" << 0 << "" << true;
    QTest::newRow("wrong password") << "张三"
                                    << "pw2" << 0 << "" << true;
    QTest::newRow("stored, by phone") << "13800000001"
                                      << "pw1" << 3 << "13800000001" << true;
    QTest::newRow("stored admin with its own password") << "admin"
                                                        << "stored" << 2 << "13900000002" << true;
    QTest::newRow("another store's account") << "老板"
                                             << "boss" << 1 << "13600000004" << true;
    // The store's own "admin" is that account: the built-in password opens nothing.
    QTest::newRow("built-in password over a stored admin") << "admin"
                                                           << "470215" << 0 << "" << true;
    QTest::newRow("built-in account is case-sensitive") << "Admin"
                                                        << "470215" << 0 << "" << true;
    QTest::newRow("quotes in name and password") << "O'Brien"
                                                 << "a'b\"c;--" << 4 << "13700000003" << true;
    QTest::newRow("quotes open no account") << "' or '1'='1"
                                            << "' or '1'='1" << 0 << "" << true;
    // Without a readable account only the built-in one opens.
    QTest::newRow("no database, stored account") << "张三"
                                                 << "pw1" << 0 << "" << false;
    QTest::newRow("no database, built-in account") << "admin"
                                                   << "470215" << 1 << "" << false;
}

void TestMainWindow::login()
{
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(int, type);
    QFETCH(bool, database);
    if (!database)
        DbManager::Instance()->Close();
    DialogLogin dialog;
    dialog.show();
    LogIn(dialog, account, password);
    QCOMPARE(dialog.result(), type ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QCOMPARE(dialog.user().userType, type);
    QTEST(dialog.user().phone, "phone");
    QCOMPARE(m_boxes->seen.size(), type ? 0 : 1);
    QCOMPARE(dialog.isVisible(), !type);
}

void TestMainWindow::permissions_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("goodsPage");
    QTest::addColumn<QString>("hiddenActions");
    QTest::addColumn<QString>("hiddenMenus");

    const QString restricted =
        "action_showFin action_income action_debt action_inother action_purpay action_salary "
        "action_utilites action_expother action_profit action_purchase action_purBack "
        "action_distri action_employee action_client action_users action_ref action_supplier "
        "action_datasave action_datarestore action_graph action_salemargin action_chainsummary";
    const QString menus =
        "menu_finance menu_income menu_pay menu_earn menu_purchase menu_employee menu_client";
    // 全店汇总 only with the stores named in the settings, which these have not.
    QTest::newRow("1 everything") << 1 << 1 << "action_graph action_chainsummary"
                                  << "";
    QTest::newRow("0 counts as 1") << 0 << 1 << "action_graph action_chainsummary"
                                   << "";
    QTest::newRow("2 authorised") << 2 << 2 << restricted << menus;
    QTest::newRow("3 general") << 3 << 2 << restricted + " action_saleout action_saleback" << menus;
    QTest::newRow("4 browse") << 4 << 5
                              << restricted
            + " action_saleout action_saleback action_showSale action_infotodb action_editstore"
                              << menus;
}

void TestMainWindow::permissions()
{
    QFETCH(int, type);
    QFETCH(int, goodsPage);
    QFETCH(QString, hiddenActions);
    QFETCH(QString, hiddenMenus);
    auto window = NewWindow(type);
    QCOMPARE(window->GoodsStack()->currentIndex(), goodsPage);

    QStringList hidden, hiddenMenu;
    for (QAction *a : window->findChildren<QAction *>()) {
        if (!a->objectName().isEmpty() && !a->menu() && !a->isVisible())
            hidden << a->objectName();
    }
    for (QMenu *menu : window->findChildren<QMenu *>()) {
        if (!menu->menuAction()->isVisible())
            hiddenMenu << menu->objectName();
    }
    const auto sorted = [](QStringList l) {
        l.sort();
        return l.join(' ');
    };
    QCOMPARE(sorted(hidden), sorted(hiddenActions.split(' ')));
    QCOMPARE(sorted(hiddenMenu), sorted(hiddenMenus.split(' ', Qt::SkipEmptyParts)));
    // A hidden action is gone from the toolbar as well.
    for (QToolBar *toolBar : window->findChildren<QToolBar *>()) {
        for (const QString &name : hidden) {
            if (QWidget *button = toolBar->widgetForAction(window->findChild<QAction *>(name)))
                QVERIFY2(button->isHidden(), qPrintable(name));
        }
    }
    if (goodsPage == 1)
        return;
    // Whatever a restricted user can still click, the finance stack stays hidden.
    for (QAction *a : window->findChildren<QAction *>()) {
        if (a->isVisible() && !a->menu() && a->objectName() != QLatin1String("actionExit")
            && a->objectName() != QLatin1String("action_restart"))
            a->trigger();
    }
    for (QPushButton *b : window->findChildren<QPushButton *>()) {
        if (b->isVisibleTo(window->GoodsStack()->currentWidget()))
            b->click();
    }
    QVERIFY(window->FinanceStack()->isHidden());
}

void TestMainWindow::clearingNeedsAnAuthorisedRelogin_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("left");
    QTest::addColumn<QString>("box"); // what the refusal says, empty: no box
    QTest::newRow("browse-only account") << "O'Brien"
                                         << "a'b\"c;--" << 1 << "权限不足：需要超级用户或授权用户确认";
    QTest::newRow("authorised account") << "admin"
                                        << "stored" << 0 << "";
    // Another store's owner has no say over this store's rows.
    QTest::newRow("type 1 of another store") << "老板"
                                             << "boss" << 1 << "警告:用户名或密码错误!";
    QTest::newRow("re-login closed") << ""
                                     << "" << 1 << "";
}

void TestMainWindow::clearingNeedsAnAuthorisedRelogin()
{
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(int, left);
    QVERIFY(TempStore::store()->SaveGoodsRow(
        MakeGoods(GoodsKind::Loss, "2024-01-01 08:00:00:000", "2024-01-01")));
    auto window = NewWindow(1);
    ModalSeam::SetDialogAnswerer(
        [&](QDialog &dialog) { account.isEmpty() ? dialog.reject() : LogIn(dialog, account, password); });
    window->findChild<QPushButton *>("btn_purclr_5")->click();
    QCOMPARE(TempStore::Count("tb_sm_product_info"), left);
    QFETCH(QString, box);
    QCOMPARE(m_boxes->seen.join(' ').contains(QStringLiteral("权限不足：需要超级用户或授权用户确认")),
             box.startsWith(QStringLiteral("权限不足")));
    QVERIFY2(m_boxes->seen.join(' ').contains(box), qPrintable(m_boxes->seen.join(' ')));
}

QTEST_MAIN(TestMainWindow)
void TestMainWindow::stockAlertsAtLogin_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("told");
    for (int type = 1; type <= 4; ++type)
        QTest::addRow("type %d", type) << type << (type <= 2);
}

void TestMainWindow::stockAlertsAtLogin()
{
    QFETCH(int, type);
    GoodsRecord bought = MakeGoods(GoodsKind::PurchaseIn, "g1", "2026-12-01");
    bought.color = "红";
    bought.num = "5";
    bought.price = "2";
    QVERIFY(m_store->store()->SaveGoodsRow(bought));
    QVERIFY(StockRules::Save(bought.model, "红", "5").ok());
    QStringList seen;
    ModalSeam::SetBoxAnswerer([&seen](QMessageBox &box) {
        seen << box.windowTitle() + "|" + box.text();
        box.checkBox()->setChecked(true); // not again for this account
        for (QAbstractButton *b : box.buttons())
            if (b->text() == "查看")
                b->click();
    });
    auto window = NewWindow(type);
    QCoreApplication::processEvents();
    QFETCH(bool, told);
    QCOMPARE(seen, told ? QStringList{"库存预警|1 种商品库存不足"} : QStringList());
    const LedgerKinds::PageKind &alerts =
        *LedgerKinds::Find(LedgerKinds::Group::Sales, LedgerKinds::StockAlertKind);
    QCOMPARE(window->Ledger()->Model(alerts)->rowCount(), told ? 1 : 0);
    window.reset();
    seen.clear();
    window = NewWindow(type);
    QCoreApplication::processEvents();
    ModalSeam::SetBoxAnswerer({});
    QCOMPARE(seen, QStringList());
}

#include "test_mainwindow.moc"
