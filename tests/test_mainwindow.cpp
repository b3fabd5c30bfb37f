#include "app/mainwindow.h"
#include "db/storedbaccess.h"
#include "ledger/ledgerkinds.h"
#include "masterdata/dialogstoreset.h"
#include "masterdata/listtables.h"
#include "resources/resources.h"
#include "storetestsupport.h"
#include "widgets/modalseam.h"

#include <QAction>
#include <QComboBox>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QtTest>
#include <memory>

namespace {

UserRecord User(int type)
{
    UserRecord user;
    user.userType = type;
    user.name = QStringLiteral("测试员");
    user.phone = QStringLiteral("13800000009");
    return user;
}

QStringList AllOf(const QString &names)
{
    return names.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Names of actions in a menu, or its submenus, that a user can see.
QStringList VisibleEntries(const QMenu *menu)
{
    QStringList names;
    for (QAction *a : menu->actions()) {
        if (!a->isVisible() || a->isSeparator())
            continue;
        if (a->menu())
            names << VisibleEntries(a->menu());
        else
            names << a->objectName();
    }
    return names;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void permissions_data();
    void permissions();
    void selectPage_data();
    void selectPage();
    void showPageFollowsCheckState();
    void relationToggle_data();
    void relationToggle();
    void pagesFromKinds();
    void titleButtonRestoresPresentation();
    void warehousePickerIsItsOwnWindow();
    void statusLine();
    void destructiveActionsNeedAnAuthorisedRelogin_data();
    void destructiveActionsNeedAnAuthorisedRelogin();
    void closeConfirmation_data();
    void closeConfirmation();
    void closeConfirmationRealBox();
    void quitActionEndsLoopWithoutAsking();
    void restartStartsOwnExecutable();
    void calculator();
    void helpAndAbout();

private:
    std::unique_ptr<MainWindow> NewWindow(int type);

    std::unique_ptr<TempStore> m_store;
    QString m_oldCurrent;
    QStringList m_boxes;
    QList<QStringList> m_started;
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
    // The window makes its working folders in the current folder.
    QVERIFY(QDir::setCurrent(m_store->dir.path()));
    m_boxes.clear();
    m_started.clear();
    ModalSeam::SetBoxAnswerer([this](QMessageBox &box) { m_boxes << box.text(); });
    // Buttons that ask for a file or run a dialog find the user cancelling.
    ModalSeam::SetFileAnswerer([](const QString &, const QString &, const QString &) { return QString(); });
    ModalSeam::SetDialogAnswerer([](QDialog &dialog) { dialog.reject(); });
    MainWindow::SetProcessStarter([this](const QString &program, const QStringList &args) {
        m_started << (QStringList{program} + args);
        return true;
    });
}

void TestMainWindow::cleanup()
{
    ModalSeam::SetBoxAnswerer({});
    ModalSeam::SetDialogAnswerer({});
    ModalSeam::SetFileAnswerer({});
    MainWindow::SetProcessStarter({});
    QDir::setCurrent(m_oldCurrent);
    m_store.reset();
}

std::unique_ptr<MainWindow> TestMainWindow::NewWindow(int type)
{
    auto window = std::make_unique<MainWindow>();
    window->SetUser(User(type));
    window->Initialise();
    return window;
}

void TestMainWindow::permissions_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("goodsPage");
    QTest::addColumn<QStringList>("hiddenActions");
    QTest::addColumn<QStringList>("hiddenMenus");

    const QStringList restricted = AllOf(
        "action_showFin action_income action_debt action_inother action_purpay action_salary "
        "action_utilites action_expother action_profit action_purchase action_purBack "
        "action_distri action_employee action_client action_users action_ref action_supplier "
        "action_datasave action_datarestore action_graph");
    const QStringList restrictedMenus = AllOf(
        "menu_finance menu_income menu_pay menu_earn menu_purchase menu_employee menu_client");

    QTest::newRow("1 everything") << 1 << 1 << QStringList{"action_graph"} << QStringList();
    QTest::newRow("0 counts as 1") << 0 << 1 << QStringList{"action_graph"} << QStringList();
    QTest::newRow("5 counts as 1") << 5 << 1 << QStringList{"action_graph"} << QStringList();
    QTest::newRow("2 authorised") << 2 << 2 << restricted << restrictedMenus;
    QTest::newRow("3 general")
        << 3 << 2 << restricted + QStringList{"action_saleout", "action_saleback"} << restrictedMenus;
    QTest::newRow("4 browse")
        << 4 << 5
        << restricted + AllOf("action_saleout action_saleback action_showSale action_infotodb action_editstore")
        << restrictedMenus;
}

void TestMainWindow::permissions()
{
    QFETCH(int, type);
    QFETCH(int, goodsPage);
    QFETCH(QStringList, hiddenActions);
    QFETCH(QStringList, hiddenMenus);

    auto window = NewWindow(type);
    QCOMPARE(window->windowTitle(), QStringLiteral("库存与财务管理系统-Quillon"));
    QCOMPARE(window->GoodsStack()->currentIndex(), goodsPage);
    QVERIFY(!window->GoodsStack()->isHidden());
    QVERIFY(window->SalesStack()->isHidden());
    QVERIFY(window->FinanceStack()->isHidden());

    QStringList hidden;
    for (QAction *a : window->findChildren<QAction *>()) {
        if (!a->objectName().isEmpty() && !a->menu() && !a->isVisible())
            hidden << a->objectName();
    }
    hidden.sort();
    hiddenActions.sort();
    QCOMPARE(hidden, hiddenActions);

    QStringList hiddenMenuNames;
    for (QMenu *menu : window->findChildren<QMenu *>()) {
        if (!menu->menuAction()->isVisible())
            hiddenMenuNames << menu->objectName();
    }
    hiddenMenuNames.sort();
    hiddenMenus.sort();
    QCOMPARE(hiddenMenuNames, hiddenMenus);

    // A hidden action is gone from the toolbar as well.
    for (QToolBar *toolBar : window->findChildren<QToolBar *>()) {
        for (const QString &name : hiddenActions) {
            QAction *a = window->findChild<QAction *>(name);
            if (QWidget *button = toolBar->widgetForAction(a))
                QVERIFY2(button->isHidden(), qPrintable(name));
        }
    }

    if (type == 4) {
        QVERIFY(VisibleEntries(window->findChild<QMenu *>(QStringLiteral("menu"))).isEmpty());
        QVERIFY(VisibleEntries(window->findChild<QMenu *>(QStringLiteral("menu_sales"))).isEmpty());
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

void TestMainWindow::selectPage_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("table");
    const struct { const char *action, *table; } rows[] = {
        {"action_purchase", "tab_purchaseIn"}, {"action_purBack", "tab_purchaseBack"},
        {"action_saleout", "tab_saleout"},     {"action_saleback", "tab_saleback"},
        {"action_loss", "tab_storelose"},      {"action_instore", "tab_storeCurr"},
        {"action_income", "tab_income"},       {"action_debt", "tab_debt"},
        {"action_inother", "tab_inother"},     {"action_purpay", "tab_purpay"},
        {"action_salary", "tab_salary"},       {"action_utilites", "tab_utility"},
        {"action_expother", "tab_expother"},   {"action_profit", "tab_profit"},
        {"action_saletotal", "tab_saletotal_1"}, {"action_saleday", "tab_saletotal_2"},
        {"action_saleemploy", "tab_saletotal_3"}, {"action_saledistri", "tab_saletotal_4"},
        {"action_saledebt", "tab_saletotal_5"},
    };
    for (const auto &r : rows)
        QTest::newRow(r.action) << r.action << r.table;
}

void TestMainWindow::selectPage()
{
    QFETCH(QString, action);
    QFETCH(QString, table);
    auto window = NewWindow(1);
    if (action.startsWith(QLatin1String("action_sale")) && table.startsWith(QLatin1String("tab_saletotal")))
        window->findChild<QAction *>(QStringLiteral("action_saledebt"))->trigger(); // another page first
    window->findChild<QAction *>(action)->trigger();

    QTableWidget *shown = window->Table(table);
    auto *stack = qobject_cast<QStackedWidget *>(shown->parentWidget()->parentWidget());
    QVERIFY(stack);
    QCOMPARE(stack->currentWidget(), shown->parentWidget());
    QVERIFY(!stack->isHidden());
    const QString display = stack == window->GoodsStack() ? "action_showStore"
                          : stack == window->SalesStack() ? "action_showSale" : "action_showFin";
    QVERIFY(window->findChild<QAction *>(display)->isChecked());
}

void TestMainWindow::showPageFollowsCheckState()
{
    auto window = NewWindow(1);
    auto *showSale = window->findChild<QAction *>(QStringLiteral("action_showSale"));
    auto *saleTotal = window->findChild<QAction *>(QStringLiteral("action_saletotal"));
    auto *showStore = window->findChild<QAction *>(QStringLiteral("action_showStore"));

    QVERIFY(showStore->isChecked());
    QVERIFY(!showSale->isChecked());
    showSale->trigger();
    QVERIFY(!window->SalesStack()->isHidden());
    showSale->trigger();
    QVERIFY(window->SalesStack()->isHidden());

    // "销售统计" shows the sales stack whatever state it is in.
    saleTotal->trigger();
    QVERIFY(!window->SalesStack()->isHidden());
    saleTotal->trigger();
    QVERIFY(!window->SalesStack()->isHidden());
    QVERIFY(showSale->isChecked());

    showStore->trigger();
    QVERIFY(window->GoodsStack()->isHidden());
    QVERIFY(!showStore->isChecked());
}

void TestMainWindow::relationToggle_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("goodsPage");
    QTest::newRow("income -> sales") << "btn_fin_1" << 2;
    QTest::newRow("other income keeps the page") << "btn_fin_3" << 1;
    QTest::newRow("purchase payments -> purchase-in") << "btn_fin_4" << 0;
    QTest::newRow("other expenses -> loss") << "btn_fin_7" << 4;
    QTest::newRow("profit -> sales") << "btn_fin_8" << 2;
}

void TestMainWindow::relationToggle()
{
    QFETCH(QString, button);
    QFETCH(int, goodsPage);
    auto window = NewWindow(1);
    window->findChild<QAction *>(QStringLiteral("action_profit"))->trigger();
    window->findChild<QAction *>(QStringLiteral("action_showStore"))->trigger();
    QVERIFY(window->GoodsStack()->isHidden());

    auto *relation = window->findChild<QPushButton *>(button);
    relation->click();
    QVERIFY(window->RelationOn());
    QVERIFY(!window->GoodsStack()->isHidden());
    QCOMPARE(window->GoodsStack()->currentIndex(), goodsPage);
    QVERIFY(!window->FinanceStack()->isHidden());

    relation->click();
    QVERIFY(!window->RelationOn());
    QVERIFY(window->GoodsStack()->isHidden());
    // The display action can still bring the goods back.
    window->findChild<QAction *>(QStringLiteral("action_showStore"))->trigger();
    QVERIFY(!window->GoodsStack()->isHidden());
}

void TestMainWindow::pagesFromKinds()
{
    auto window = NewWindow(1);
    // Every toolbar action fits a 1366 pixel wide screen: no "»" overflow.
    window->resize(1366, 768);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    int toolButtons = 0;
    for (QToolBar *toolBar : window->findChildren<QToolBar *>()) {
        auto *more = toolBar->findChild<QWidget *>(QStringLiteral("qt_toolbar_ext_button"));
        QVERIFY(more && more->isHidden());
        for (QAction *a : toolBar->actions())
            toolButtons += a->isVisible() && !a->isSeparator();
    }
    QCOMPARE(toolButtons, 26);
    // An empty page already shows a whole date and entry time.
    QTableWidget *purchases = window->GoodsTable(0);
    const QFontMetrics metrics = purchases->fontMetrics();
    QVERIFY(purchases->columnWidth(7) > metrics.horizontalAdvance(QStringLiteral("2026-12-06")) + 20);
    QVERIFY(purchases->columnWidth(0) > metrics.horizontalAdvance(QStringLiteral("2026-12-06 12:00:00:000")));
    QCOMPARE(window->GoodsStack()->count(), 6);
    QCOMPARE(window->SalesStack()->count(), 6);
    QCOMPARE(window->FinanceStack()->count(), 8);
    QCOMPARE(window->FinanceStack()->currentIndex(), 7);
    QCOMPARE(window->SalesStack()->currentIndex(), 0);
    // The model selector belongs to the stock page and shows with it.
    QVERIFY(!window->ModelCombo()->isHidden());
    QCOMPARE(window->ModelCombo()->parentWidget(), window->GoodsTable(5)->parentWidget());

    for (const LedgerKinds::PageKind &kind : LedgerKinds::Pages()) {
        QTableWidget *table = window->Table(kind.tableName);
        QVERIFY2(table, qPrintable(kind.tableName));
        QCOMPARE(table->parentWidget()->objectName(), kind.pageName);
        QCOMPARE(table->columnCount(), kind.ColumnCount());
        QCOMPARE(table->horizontalHeaderItem(kind.ColumnCount() - 1)->text(), kind.columnTitles.last());
        QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
        QVERIFY(table->horizontalHeader()->stretchLastSection());
        for (const QString &name : kind.ActionButtons() + QStringList{kind.totalButton})
            QVERIFY2(window->findChild<QPushButton *>(name), qPrintable(name));
        for (const QString &name : {kind.totalEdit, kind.paidEdit, kind.debtEdit}) {
            if (name.isEmpty())
                continue;
            auto *edit = window->findChild<QLineEdit *>(name);
            QVERIFY2(edit && edit->isReadOnly(), qPrintable(name));
        }
    }
    QCOMPARE(window->SalesTable(), window->Table(QStringLiteral("tab_saletotal_1")));
    QVERIFY(!window->findChild<QPushButton *>(QStringLiteral("btn_puradd_6")));
    QVERIFY(!window->findChild<QPushButton *>(QStringLiteral("btn_finadd_8")));
    QCOMPARE(window->GoodsTable(4)->horizontalHeaderItem(6)->toolTip(),
             QStringLiteral("<html><head/><body><p>商品尺寸</p></body></html>"));
    QVERIFY(window->FinanceTable(0)->horizontalHeaderItem(6)->toolTip().isEmpty());

    for (const char *folder : {"TabDateSave", "DbDateSave", "InfoDateSave"})
        QVERIFY2(QDir(m_store->dir.path()).exists(QLatin1String(folder)), folder);
}

void TestMainWindow::titleButtonRestoresPresentation()
{
    auto window = NewWindow(1);
    QTableWidget *table = window->FinanceTable(2);
    table->setSelectionBehavior(QAbstractItemView::SelectItems);
    table->setFocusPolicy(Qt::StrongFocus);
    window->findChild<QPushButton *>(QStringLiteral("btn_label_3"))->click();
    QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(table->focusPolicy(), Qt::NoFocus);
}

void TestMainWindow::warehousePickerIsItsOwnWindow()
{
    InfoList warehouses;
    warehouses.infoType = ListTables::Warehouse;
    warehouses.list = QStringLiteral("Main-Rd-3-2-12-Li-138");
    QVERIFY(StoreDbAccess::Instance()->SaveInfoList(InfoStore::MasterData, warehouses));
    auto window = NewWindow(1);
    window->show();
    window->findChild<QAction *>(QStringLiteral("action_purchase"))->trigger();
    window->findChild<QPushButton *>(QStringLiteral("btn_puradd"))->click();
    QTableWidget *table = window->GoodsTable(0);
    QCOMPARE(table->rowCount(), 1);

    DialogStoreSet *picker = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *found = qobject_cast<DialogStoreSet *>(w))
            picker = found;
    }
    QVERIFY(picker && !picker->isVisible());
    auto *line = picker->findChild<QLineEdit *>(QStringLiteral("lineEdit"));
    auto *ok = picker->findChild<QPushButton *>(QStringLiteral("pushButton"));
    auto stored = [] { return StoredGoodsOf(0).value(0).store; };
    auto click = [table](int column) {
        table->scrollToItem(table->item(0, 0));
        const QRect cell = table->visualRect(table->model()->index(0, column));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    };

    click(7);
    QVERIFY(!picker->isVisible());
    click(8);
    QTRY_VERIFY(picker->isVisible());
    QVERIFY(picker->isWindow() && !picker->parentWidget());
    QVERIFY(picker->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(picker->windowTitle(), QStringLiteral("仓库设定"));
    QCOMPARE(line->text(), QStringLiteral("3-A-1"));
    // Escape and the close button leave the cell and the store alone.
    QTest::keyClick(picker, Qt::Key_Escape);
    QVERIFY(!picker->isVisible());
    click(8);
    QVERIFY(picker->isVisible());
    picker->close();
    QVERIFY(!picker->isVisible());
    QCOMPARE(table->item(0, 8)->text(), QString());
    QCOMPARE(stored(), QString());

    click(8);
    line->setText(QStringLiteral("后仓-7"));
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(table->item(0, 8)->text(), QStringLiteral("后仓-7"));
    QCOMPARE(stored(), QStringLiteral("后仓-7"));
    // Opened again on a cell that has a location, "确定" without a choice keeps it.
    click(8);
    QCOMPARE(line->text(), QStringLiteral("后仓-7"));
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(stored(), QStringLiteral("后仓-7"));
    // A composed location opens with its parts chosen.
    table->item(0, 8)->setText(QStringLiteral("3-B-12"));
    click(8);
    QCOMPARE(picker->findChild<QComboBox *>(QStringLiteral("comboBox_2"))->currentText(), QStringLiteral("B"));
    QCOMPARE(picker->findChild<QComboBox *>(QStringLiteral("comboBox_3"))->currentText(), QStringLiteral("12"));
    QCOMPARE(line->text(), QStringLiteral("3-B-12"));

    // Left open, it goes with the main window instead of keeping the program alive.
    ModalSeam::SetBoxAnswerer([](QMessageBox &box) {
        for (QAbstractButton *b : box.buttons()) {
            if (b->text() == QStringLiteral("直接退出"))
                b->click();
        }
    });
    QVERIFY(window->close());
    window->WaitForBackup();
    QVERIFY(!picker->isVisible());
}

void TestMainWindow::statusLine()
{
    auto window = NewWindow(3);
    QLabel *label = window->StatusLabel();
    QCOMPARE(label->text(), QStringLiteral("用户：测试员"));
    QCOMPARE(window->statusBar()->currentMessage(), QStringLiteral("用户：测试员"));

    window->statusBar()->showMessage(QStringLiteral("别的"));
    window->ShowStatusMessage(QStringLiteral("导入完成"));
    const QRegularExpression stamped(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\S+ - 导入完成$"));
    QVERIFY2(stamped.match(label->text()).hasMatch(), qPrintable(label->text()));
    QVERIFY(label->text().startsWith(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))));
    QCOMPARE(window->statusBar()->currentMessage(), QStringLiteral("用户：测试员"));

    const QString first = label->text();
    QTest::qWait(1100);
    QCOMPARE(label->text(), first); // no clock: the stamp stays until the next message
}

void TestMainWindow::destructiveActionsNeedAnAuthorisedRelogin_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("left");
    QTest::newRow("browse-only account") << "仓管" << "pw4" << 1;
    QTest::newRow("authorised account") << "店长" << "pw2" << 0;
}

void TestMainWindow::destructiveActionsNeedAnAuthorisedRelogin()
{
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(int, left);
    StoreDbAccess *store = TempStore::store();
    QVERIFY(store->AddOrUpdateUser({4, 0, "13700000004", "仓管", "pw4", QString(), QString()}));
    QVERIFY(store->AddOrUpdateUser({2, 0, "13700000002", "店长", "pw2", QString(), QString()}));
    GoodsRecord loss;
    loss.tabType = GoodsKind::Loss;
    loss.serial = "2024-01-01 08:00:00:000";
    QVERIFY(store->SaveGoodsRow(loss));
    auto window = NewWindow(1);
    ModalSeam::SetBoxAnswerer([this](QMessageBox &box) {
        m_boxes << box.text();
        for (QAbstractButton *b : box.buttons())
            if (b->text() == "确认" || b->text() == "确定")
                return b->click();
    });
    ModalSeam::SetDialogAnswerer([&](QDialog &dialog) {
        dialog.findChild<QLineEdit *>("input_name")->setText(account);
        dialog.findChild<QLineEdit *>("input_password")->setText(password);
        dialog.findChild<QPushButton *>("onok")->click();
    });
    window->findChild<QPushButton *>("btn_purclr_5")->click();
    QCOMPARE(TempStore::Count("tb_sm_product_info"), left);
    QCOMPARE(m_boxes.contains("权限不足：需要超级用户或授权用户确认"), left == 1);
}

void TestMainWindow::closeConfirmation_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("click"); // empty: the box closed without a button
    QTest::addColumn<bool>("closed");
    QTest::newRow("return keeps the window") << 1 << "返回程序" << false;
    QTest::newRow("closing the box keeps the window") << 2 << "" << false;
    QTest::newRow("quit closes, type 1") << 1 << "直接退出" << true;
    QTest::newRow("quit closes, type 4") << 4 << "直接退出" << true;
}

void TestMainWindow::closeConfirmation()
{
    QFETCH(int, type);
    QFETCH(QString, click);
    QFETCH(bool, closed);
    auto window = NewWindow(type);
    window->show();

    QStringList buttons;
    ModalSeam::SetBoxAnswerer([&](QMessageBox &box) {
        QCOMPARE(box.parentWidget(), window.get());
        QCOMPARE(box.text(), QStringLiteral("确定要退出?"));
        QCOMPARE(box.windowTitle(), QStringLiteral("退出"));
        for (QAbstractButton *b : box.buttons()) {
            buttons << b->text();
            QCOMPARE(b->minimumWidth(), 100);
            QCOMPARE(b->maximumWidth(), 100);
            if (b->text() == click)
                b->click();
        }
        QCOMPARE(box.defaultButton()->text(), QStringLiteral("直接退出"));
        QCOMPARE(box.buttonRole(box.defaultButton()), QMessageBox::AcceptRole);
    });
    const bool accepted = window->close();
    buttons.sort();
    QCOMPARE(buttons, (QStringList{QStringLiteral("直接退出"), QStringLiteral("返回程序")}));
    QCOMPARE(accepted, closed);
    QCOMPARE(window->isVisible(), !closed);
}

void TestMainWindow::closeConfirmationRealBox()
{
    ModalSeam::SetBoxAnswerer({});
    auto window = NewWindow(3);
    window->show();

    QString text, title, escape;
    QSize iconSize;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll.stop();
        text = box->text();
        title = box->windowTitle();
        iconSize = box->iconPixmap().size();
        escape = box->escapeButton()->text();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    poll.start(20);
    QVERIFY(!window->close());
    QCOMPARE(text, QStringLiteral("确定要退出?"));
    QCOMPARE(title, QStringLiteral("退出"));
    QCOMPARE(escape, QStringLiteral("返回程序"));
    QVERIFY(iconSize.width() <= 36 && iconSize.height() <= 36 && !iconSize.isEmpty());
    QVERIFY(window->isVisible());
}

void TestMainWindow::quitActionEndsLoopWithoutAsking()
{
    auto window = NewWindow(1);
    window->show();
    QTimer::singleShot(0, window.get(), [&] {
        window->findChild<QAction *>(QStringLiteral("actionExit"))->trigger();
    });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(m_boxes.isEmpty());
    QVERIFY(m_started.isEmpty());
}

void TestMainWindow::restartStartsOwnExecutable()
{
    auto window = NewWindow(4);
    QTimer::singleShot(0, window.get(), [&] {
        window->findChild<QAction *>(QStringLiteral("action_restart"))->trigger();
    });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QCOMPARE(m_started, QList<QStringList>{QStringList{QCoreApplication::applicationFilePath()}});
    QVERIFY(m_boxes.isEmpty());
}

void TestMainWindow::calculator()
{
    auto window = NewWindow(1);
    auto *calc = window->findChild<QAction *>(QStringLiteral("action_calc"));
    const QByteArray oldPath = qgetenv("PATH");
    QTemporaryDir bin;

    qputenv("PATH", bin.path().toLocal8Bit());
    calc->trigger();
    QVERIFY(m_started.isEmpty());

    // The earlier a calculator stands in the list, the more it is preferred.
    for (const char *name : {"xcalc", "galculator"}) {
        QFile fake(bin.filePath(QLatin1String(name)));
        QVERIFY(fake.open(QIODevice::WriteOnly));
        fake.write("#!/bin/sh\n");
        fake.close();
        fake.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    calc->trigger();
    qputenv("PATH", oldPath);
    QCOMPARE(m_started, QList<QStringList>{QStringList{bin.filePath(QStringLiteral("galculator"))}});
}

void TestMainWindow::helpAndAbout()
{
    auto window = NewWindow(1);
    QString title;
    QStringList texts;
    QDialogButtonBox::StandardButtons buttons;
    ModalSeam::SetDialogAnswerer([&](QDialog &dialog) {
        title = dialog.windowTitle();
        for (QLabel *label : dialog.findChildren<QLabel *>())
            texts << label->text();
        buttons = dialog.findChild<QDialogButtonBox *>()->standardButtons();
        dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
    });
    window->findChild<QAction *>(QStringLiteral("action_help"))->trigger();
    QCOMPARE(title, QStringLiteral("联系方式"));
    QVERIFY(texts.contains(QStringLiteral("非常感谢使用本仓库库存与财务管理软件，如有任何问题，请联系:")));
    QCOMPARE(texts.size(), 5);
    // The working folder, where backups and workbooks go.
    QVERIFY(texts.contains(QStringLiteral("数据文件夹：") + QDir::toNativeSeparators(QDir::currentPath())));
    QCOMPARE(buttons, QDialogButtonBox::Ok | QDialogButtonBox::Cancel);

    // F1 shows the about box only while the item list offers something.
    QTest::keyClick(window.get(), Qt::Key_F1);
    QVERIFY(m_boxes.isEmpty());
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
