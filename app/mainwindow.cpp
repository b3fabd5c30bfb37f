#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/dialoghelp.h"
#include "ledger/ledgerkinds.h"
#include "widgets/looks.h"
#include "widgets/modalseam.h"
#include "widgets/windowmemory.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QThread>

namespace {
MainWindow::ProcessStarter &Starter()
{
    static MainWindow::ProcessStarter starter;
    return starter;
}

QString UserStatusText(const UserRecord &user) { return QStringLiteral("用户：%1").arg(user.name); }
} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), m_ui(new Ui::MainWindow)
{
    m_ui->setupUi(this);
    BuildPages();
}

MainWindow::~MainWindow()
{
    // The backup writer works on this window's lists and the connection.
    WaitForBackup();
    delete m_ui;
}

void MainWindow::Initialise(bool waitForSplash)
{
    if (m_initialised)
        return;
    m_initialised = true;

    setWindowTitle(QStringLiteral("库存与财务管理系统-Quillon"));
    ApplyPermissions();

    // Keeps the splash screen up (and repainting) for a moment at start-up.
    if (waitForSplash) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() <= 999) {
            QCoreApplication::processEvents();
            QThread::msleep(10);
        }
    }

    SetUpShell();
    SetUpHistory();
    InitTable();
    MakeConnections();
    // After the side dialogs: the pages are made with the lists those dialogs hold.
    SetUpOwnerPages();
    StartFirstLoad();
    // Once the window is up, not in the middle of building it.
    QMetaObject::invokeMethod(this, &MainWindow::OfferStockAlerts, Qt::QueuedConnection);
}

void MainWindow::ApplyPermissions()
{
    qDebug() << "userType:" << m_user.name << m_user.phone << m_user.userType;
    const int type = m_user.userType;
    // Type 1 and any unknown number keep the full window.
    if (type != 2 && type != 3 && type != 4)
        return;

    m_ui->stackedWidget->setCurrentIndex(type == 4 ? GoodsKind::CurrentStock : GoodsKind::Sale);

    m_ui->stackedWidget_3->hide();
    m_ui->action_showFin->setVisible(false);
    // Hiding the menu's own action takes its title off the menu bar; hiding
    // the popup widget alone would leave an empty title there.
    for (QMenu *menu : {m_ui->menu_finance, m_ui->menu_income, m_ui->menu_pay, m_ui->menu_earn,
                        m_ui->menu_purchase, m_ui->menu_employee, m_ui->menu_client})
        menu->menuAction()->setVisible(false);
    for (QAction *action :
         {m_ui->action_income, m_ui->action_debt, m_ui->action_inother, m_ui->action_purpay,
          m_ui->action_salary, m_ui->action_utilites, m_ui->action_expother, m_ui->action_profit,
          m_ui->action_purchase, m_ui->action_purBack, m_ui->action_distri, m_ui->action_employee,
          m_ui->action_client, m_ui->action_users, m_ui->action_ref, m_ui->action_supplier,
          m_ui->action_datasave, m_ui->action_datarestore})
        action->setVisible(false);

    if (type == 3) {
        m_ui->action_saleout->setVisible(false);
        m_ui->action_saleback->setVisible(false);
        m_ui->action_saletotal->setVisible(true);
    } else if (type == 4) {
        for (QAction *action : {m_ui->action_saleout, m_ui->action_saleback, m_ui->action_showSale,
                                m_ui->action_infotodb, m_ui->action_editstore})
            action->setVisible(false);
    }
    // The other views of the sales statistics stack go with its menu entry;
    // the gross margin with the operating profit.
    for (QAction *action :
         {m_ui->action_saleday, m_ui->action_saleemploy, m_ui->action_saledistri, m_ui->action_saledebt})
        action->setVisible(m_ui->action_saletotal->isVisible());
    m_ui->action_salemargin->setVisible(m_ui->action_profit->isVisible());
}

void MainWindow::SetUpShell()
{
    m_relationOn = false;

    // A folder that cannot be made shows up later, when something is written into it.
    for (const char *folder : {"TabDateSave", "DbDateSave", "InfoDateSave"}) {
        const QString path = QDir::currentPath() + QLatin1Char('/') + QLatin1String(folder);
        if (!QDir(path).exists())
            QDir().mkpath(path);
    }

    statusBar()->setAutoFillBackground(true);
    statusBar()->showMessage(UserStatusText(m_user));
    m_statusLabel = new QLabel(UserStatusText(m_user), this);
    m_statusLabel->setObjectName(QStringLiteral("label_status"));
    statusBar()->addPermanentWidget(m_statusLabel);

    // The model selector sits on the stock page itself, so it shows exactly
    // when that page does.
    CreateSideDialogs();

    m_ui->action_graph->setVisible(false);
    SetStackShown(m_ui->stackedWidget, true);
    SetStackShown(m_ui->stackedWidget_2, false);
    SetStackShown(m_ui->stackedWidget_3, false);
}

void MainWindow::MakeConnections()
{
    connect(m_ui->action_infotodb, &QAction::triggered, this, &MainWindow::ShowDbInfoDlg);
    connect(m_ui->action_editstore, &QAction::triggered, this, &MainWindow::ShowDbInfoDlg);

    for (QAction *action :
         {m_ui->action_showStore, m_ui->action_showSale, m_ui->action_showFin, m_ui->action_graph,
          m_ui->action_saletotal, m_ui->action_saleday, m_ui->action_saleemploy, m_ui->action_saledistri,
          m_ui->action_saledebt, m_ui->action_salemargin, m_ui->action_stockalert, m_ui->action_chainsummary})
        connect(action, &QAction::triggered, this, &MainWindow::ShowPage);

    for (QAction *action : {m_ui->action_purchase, m_ui->action_purBack, m_ui->action_saleout,
                            m_ui->action_saleback, m_ui->action_loss, m_ui->action_instore})
        connect(action, &QAction::triggered, this, &MainWindow::ShowSelectPage);

    for (QAction *action : {m_ui->action_employee, m_ui->action_users, m_ui->action_client,
                            m_ui->action_distri, m_ui->action_ref, m_ui->action_supplier})
        connect(action, &QAction::triggered, this, &MainWindow::ShowPersonInfoDlg);

    for (QAction *action :
         {m_ui->action_income, m_ui->action_debt, m_ui->action_inother, m_ui->action_purpay,
          m_ui->action_salary, m_ui->action_utilites, m_ui->action_expother, m_ui->action_profit})
        connect(action, &QAction::triggered, this, &MainWindow::ShowFinSelectPage);

    connect(m_ui->action_datasave, &QAction::triggered, this, &MainWindow::SaveDbDate);
    connect(m_ui->action_datarestore, &QAction::triggered, this, &MainWindow::RestoreDbDate);
    connect(m_ui->action_calc, &QAction::triggered, this, &MainWindow::OpenCalculator);
    connect(m_ui->action_help, &QAction::triggered, this, &MainWindow::ActionHelp);
    connect(m_ui->action_restart, &QAction::triggered, this, &MainWindow::RestartComputer);
    connect(m_ui->actionExit, &QAction::triggered, qApp, &QCoreApplication::quit);
    // 退出系统 and 系统重启 end the program without a close event.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &MainWindow::RememberLayout);

    connect(this, &MainWindow::SendQueryResultDate, this, &MainWindow::ShowQueryResultData);

    ConnectPageWidgets();
    ConnectPageViews();
}

void MainWindow::SetStackShown(QStackedWidget *stack, bool shown)
{
    stack->setVisible(shown);
    QAction *action = stack == m_ui->stackedWidget ? m_ui->action_showStore
        : stack == m_ui->stackedWidget_2           ? m_ui->action_showSale
                                                   : m_ui->action_showFin;
    action->setCheckable(true);
    action->setChecked(shown);
}

void MainWindow::ShowStatusMessage(const QString &text)
{
    if (!m_statusLabel) // not initialised yet: there is no status line to write to
        return;
    // The time is the time of this message; nothing ticks it on.
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    m_statusLabel->setText(
        chinese.toString(QDateTime::currentDateTime(), QStringLiteral("yyyy-MM-dd hh:mm:ss ddd - ")) + text);
    statusBar()->showMessage(UserStatusText(m_user));
}

void MainWindow::ShowSelectPage()
{
    SetStackShown(m_ui->stackedWidget, true);
    HideQueryDialog();
    const QString name = sender() ? sender()->objectName() : QString();
    static const QStringList order = {QStringLiteral("action_purchase"), QStringLiteral("action_purBack"),
                                      QStringLiteral("action_saleout"),  QStringLiteral("action_saleback"),
                                      QStringLiteral("action_loss"),     QStringLiteral("action_instore")};
    const int index = order.indexOf(name);
    if (index < 0)
        return;
    m_ui->stackedWidget->setCurrentIndex(index);
    if (index == GoodsKind::CurrentStock)
        RefillModelCombo();
}

void MainWindow::ShowFinSelectPage()
{
    SetStackShown(m_ui->stackedWidget_3, true);
    HideQueryDialog();
    const QString name = sender() ? sender()->objectName() : QString();
    static const QStringList order = {QStringLiteral("action_income"),   QStringLiteral("action_debt"),
                                      QStringLiteral("action_inother"),  QStringLiteral("action_purpay"),
                                      QStringLiteral("action_salary"),   QStringLiteral("action_utilites"),
                                      QStringLiteral("action_expother"), QStringLiteral("action_profit")};
    const int index = order.indexOf(name);
    if (index >= 0)
        m_ui->stackedWidget_3->setCurrentIndex(index);
}

void MainWindow::ShowPage(bool showFlag)
{
    HideQueryDialog();
    const QObject *from = sender();
    if (from == m_ui->action_showStore)
        SetStackShown(m_ui->stackedWidget, showFlag);
    else if (from == m_ui->action_showSale)
        SetStackShown(m_ui->stackedWidget_2, showFlag);
    else if (from == m_ui->action_showFin)
        SetStackShown(m_ui->stackedWidget_3, showFlag);
    if (!from)
        return;
    // The 销售统计 menu: always shows its stack, on the entry's page.
    for (const LedgerKinds::PageKind &page : LedgerKinds::Pages()) {
        if (!page.menuAction.isEmpty() && page.menuAction == from->objectName()) {
            SetStackShown(m_ui->stackedWidget_2, true);
            m_ui->stackedWidget_2->setCurrentIndex(page.stackIndex);
        }
    }
}

void MainWindow::ShowRelationWidget()
{
    m_relationOn = !m_relationOn;
    SetStackShown(m_ui->stackedWidget, m_relationOn);

    // The goods page that goes with each finance page; -1 keeps the current one.
    static const QHash<QString, int> related = {{QStringLiteral("btn_fin_1"), GoodsKind::Sale},
                                                {QStringLiteral("btn_fin_2"), GoodsKind::Sale},
                                                {QStringLiteral("btn_fin_3"), -1},
                                                {QStringLiteral("btn_fin_4"), GoodsKind::PurchaseIn},
                                                {QStringLiteral("btn_fin_5"), GoodsKind::Sale},
                                                {QStringLiteral("btn_fin_6"), -1},
                                                {QStringLiteral("btn_fin_7"), GoodsKind::Loss},
                                                {QStringLiteral("btn_fin_8"), GoodsKind::Sale}};
    const QString name = sender() ? sender()->objectName() : QString();
    const int index = related.value(name, -1);
    if (index >= 0)
        m_ui->stackedWidget->setCurrentIndex(index);
}

void MainWindow::ShowDbInfoDlg() { OpenInfoDialog(sender() == m_ui->action_editstore); }

void MainWindow::ShowPersonInfoDlg()
{
    SetStackShown(m_ui->stackedWidget, true);
    SetStackShown(m_ui->stackedWidget_2, false);
    SetStackShown(m_ui->stackedWidget_3, false);
    HideQueryDialog();
    static const QStringList tabs = {QStringLiteral("action_users"),    QStringLiteral("action_employee"),
                                     QStringLiteral("action_client"),   QStringLiteral("action_distri"),
                                     QStringLiteral("action_supplier"), QStringLiteral("action_ref")};
    const int tab = tabs.indexOf(sender() ? sender()->objectName() : QString());
    OpenPeopleDialog(tab < 0 ? 0 : tab);
}

void MainWindow::UpDateInfo() { ReloadChoiceLists(); }

void MainWindow::SetProcessStarter(ProcessStarter starter) { Starter() = std::move(starter); }

bool MainWindow::StartDetached(const QString &program, const QStringList &arguments)
{
    if (Starter())
        return Starter()(program, arguments);
    return QProcess::startDetached(program, arguments);
}

QString MainWindow::FindCalculator()
{
#ifdef Q_OS_WIN
    return QStringLiteral("calc.exe");
#else
    for (const char *name :
         {"gnome-calculator", "kcalc", "galculator", "qalculate-gtk", "mate-calc", "xcalc"}) {
        const QString path = QStandardPaths::findExecutable(QLatin1String(name));
        if (!path.isEmpty())
            return path;
    }
    return QString();
#endif
}

void MainWindow::OpenCalculator()
{
    // A calculator that is missing or will not start is simply not there.
    const QString program = FindCalculator();
    if (!program.isEmpty())
        StartDetached(program, {});
}

void MainWindow::ActionHelp()
{
    DialogHelp help;
    // Both buttons only close the dialog; there is nothing to act on.
    ModalSeam::ExecDialog(help);
}

void MainWindow::RestartComputer()
{
    QCoreApplication::quit();
    // A new instance that fails to start is not reported; this one still quits.
    StartDetached(QCoreApplication::applicationFilePath(), {});
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1 && ItemListHasItems()) {
        ShowAboutBox();
        return;
    }
    if (ForwardItemListKey(event))
        return;
    QMainWindow::keyPressEvent(event);
}

void MainWindow::ShowRemembered()
{
    const WindowLayout layout = WindowMemory::Load(WindowMemory::FileIn(QDir::currentPath()), m_user.name);
    RestorePages(layout.stackPages);
    // Columns the user widened stay so; the others are fitted to their rows.
    for (auto it = layout.columns.cbegin(); it != layout.columns.cend(); ++it) {
        QTableView *table = Table(it.key());
        if (!table || it.value().isEmpty())
            continue;
        QHeaderView *header = table->horizontalHeader();
        for (int c = 0; c < it.value().size() && c < header->count(); ++c)
            header->resizeSection(c, it.value().at(c));
        m_keptColumns.insert(it.key());
    }
    if (!WindowMemory::Apply(*this, layout)) {
        showMaximized();
        return;
    }
    show();
}

void MainWindow::RememberLayout()
{
    WindowLayout layout = WindowMemory::Take(*this);
    for (QStackedWidget *stack : {m_ui->stackedWidget, m_ui->stackedWidget_2, m_ui->stackedWidget_3})
        layout.stackPages << (stack->isVisibleTo(this) ? stack->currentIndex() : -1);
    for (const LedgerKinds::PageKind &page : LedgerKinds::Pages()) {
        const QHeaderView *header = Table(page.tableName)->horizontalHeader();
        QList<int> widths;
        for (int c = 0; c < header->count(); ++c)
            widths << header->sectionSize(c);
        layout.columns.insert(page.tableName, widths);
    }
    QString error;
    // Only the look of the next start is lost; nothing to trouble the user with.
    if (!WindowMemory::Save(WindowMemory::FileIn(QDir::currentPath()), m_user.name, layout, &error))
        qDebug().noquote() << error;
}

void MainWindow::RestorePages(const QList<int> &stackPages)
{
    if (stackPages.size() != 3)
        return;
    const QList<QAction *> goodsActions = {m_ui->action_purchase, m_ui->action_purBack, m_ui->action_saleout,
                                           m_ui->action_saleback, m_ui->action_loss,    m_ui->action_instore};
    const int goods = stackPages.at(0);
    const int sales = stackPages.at(1);
    const int finance = stackPages.at(2);
    SetStackShown(m_ui->stackedWidget, goods >= 0);
    if (goods >= 0 && goods < goodsActions.size() && goodsActions.at(goods)->isVisible())
        m_ui->stackedWidget->setCurrentIndex(goods);
    const bool salesAllowed = m_ui->action_saletotal->isVisible() || m_ui->action_showSale->isVisible();
    SetStackShown(m_ui->stackedWidget_2, salesAllowed && sales >= 0);
    if (salesAllowed && sales >= 0 && sales < m_ui->stackedWidget_2->count())
        m_ui->stackedWidget_2->setCurrentIndex(sales);
    const bool financeAllowed = m_ui->action_showFin->isVisible();
    SetStackShown(m_ui->stackedWidget_3, financeAllowed && finance >= 0);
    if (financeAllowed && finance >= 0 && finance < m_ui->stackedWidget_3->count())
        m_ui->stackedWidget_3->setCurrentIndex(finance);
    if (m_ui->stackedWidget->currentIndex() == GoodsKind::CurrentStock)
        RefillModelCombo();
}

void MainWindow::ShowAboutBox()
{
    QMessageBox box(this);
    box.setWindowTitle(QStringLiteral("关于软件 V1.0..."));
    box.setText(QStringLiteral("软件 V1.0\n\n版权所有 © Quillon。保留所有权利。"));
    box.setIconPixmap(windowIcon().pixmap(48, 48));
    box.setStandardButtons(QMessageBox::Ok);
    // Information only: the one button closes it.
    ModalSeam::Exec(box);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    QMessageBox box(this);
    QPushButton *quit = box.addButton(QStringLiteral("直接退出"), QMessageBox::AcceptRole);
    QPushButton *stay = box.addButton(QStringLiteral("返回程序"), QMessageBox::RejectRole);
    for (QPushButton *button : {quit, stay}) {
        button->setMinimumWidth(100);
        button->setMaximumWidth(100);
    }
    Looks::PaintRed(box);
    box.setDefaultButton(quit);
    box.setEscapeButton(stay);
    box.setText(QStringLiteral("确定要退出?"));
    box.setWindowTitle(QStringLiteral("退出"));
    box.setGeometry(5, 120, 400, 300);
    const QPixmap picture(QStringLiteral(":/icons/icons/exit.png"));
    if (!picture.isNull())
        box.setIconPixmap(picture.scaled(36, 36, Qt::KeepAspectRatio, Qt::SmoothTransformation));

    ModalSeam::Exec(box);
    // Only an explicit "直接退出" ends the program; Escape or the box's own close stay.
    if (box.clickedButton() != quit) {
        event->ignore();
        return;
    }
    RememberLayout();
    if (m_user.userType == 1 || m_user.userType == 2)
        SaveDbDate();
    event->accept();
    hide();
    // The picker is a window of its own: left open, it would keep the program running.
    HideWarehousePicker();
}
