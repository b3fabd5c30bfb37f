#pragma once

#include "db/records.h"

#include <QDate>
#include <QMainWindow>
#include <QSet>
#include <QStringList>
#include <functional>

class QComboBox;
class QLabel;
class QStackedWidget;
class QModelIndex;
class QTableView;
class DialogInfoToDb;
class DialogQuery;
class DialogShowGraph;
class QueryScheduler;
class DialogStoreSet;
class DialogUserMge;
class ItemListWidget;
class LedgerPages;

namespace Ui {
class MainWindow;
}

// The one top-level window: menus, toolbar, the three page stacks (goods,
// sales statistics, finance) and the user-type permissions applied at login.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Start-up copies the logged-in user in before Initialise().
    void SetUser(const UserRecord &user) { m_user = user; }
    const UserRecord &user() const { return m_user; }

    // Title, permissions, shell, table presentation, wiring and the first
    // load. Runs once; the permissions can never be applied a second time.
    // waitForSplash keeps the splash screen up for a second, as at start-up.
    void Initialise(bool waitForSplash = false);

    // Shows the window as this user left it (size, place, maximised, pages);
    // maximised on the goods stack the first time.
    void ShowRemembered();
    // Keeps the window's size, place and pages for this user's next start.
    void RememberLayout();

    // Blocks until a backup started on the way out has been written. The
    // program calls it before the window and the connection go away.
    void WaitForBackup();

    // Pages: goods kinds 0-5, finance kinds 0-7, the sales statistics page.
    QTableView *GoodsTable(int kind) const;
    QTableView *FinanceTable(int kind) const;
    QTableView *SalesTable() const;
    QTableView *Table(const QString &objectName) const;
    QStackedWidget *GoodsStack() const;
    QStackedWidget *SalesStack() const;
    QStackedWidget *FinanceStack() const;
    QComboBox *ModelCombo() const;
    QLabel *StatusLabel() const { return m_statusLabel; }
    bool RelationOn() const { return m_relationOn; }

    // Starts a program detached; tests put a recorder here so that neither a
    // calculator nor a second instance of the program is started.
    using ProcessStarter = std::function<bool(const QString &program, const QStringList &arguments)>;
    static void SetProcessStarter(ProcessStarter starter);
    // The calculator OpenCalculator starts; empty when none is installed.
    static QString FindCalculator();

    // The ledger pages' loading, editing, totals, backup and restore.
    LedgerPages *Ledger();

    // The query dialog, and the chart dialog once a 图表 button has made it.
    DialogQuery *QueryDialog() const { return m_queryDlg; }
    DialogShowGraph *GraphDialog() const { return m_graphDlg; }

signals:
    void SendQueryResultDate(int result);

public slots:
    void ShowStatusMessage(const QString &text);

    void ShowSelectPage();
    void ShowFinSelectPage();
    void ShowPage(bool showFlag);
    void ShowRelationWidget();
    void ShowDbInfoDlg();
    void ShowPersonInfoDlg();
    void UpDateInfo();
    void OpenCalculator();
    void ActionHelp();
    void RestartComputer();
    void InitTable();

    // Page work, handed to the ledger pages (mainwindowpages.cpp), the query
    // (mainwindowquery.cpp) and the exchange (mainwindowexchange.cpp).
    void ShowTabData();
    void ActionAdd();
    void ActionDelete();
    void ActionClear();
    void ActionQuery();
    void QueryProcess();
    void ShowQueryResultData(int result);
    void InportProcess();
    void ExportProcess();
    void PrintActionProcess();
    void TotalProcess();
    void TabCellChanged(const QModelIndex &index, const QString &text);
    void CellChoseProcess(const QModelIndex &index);
    void SaveDbDate();
    void RestoreDbDate();
    void EnableAction();
    void RefreshTab();
    void GetTabDateToDb(int row, int column, const QString &sendName);
    void ComboxTextChanged(const QString &text);
    void ComboxIndexChanged(int index);
    void DateChanged(const QDate &date);
    void ShowTotalResult();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void BuildPages();
    void ApplyPermissions();
    void SetUpShell();
    void MakeConnections();
    // Who the change log names, 撤销 / 重做 on the toolbar, 修改记录 in the menu.
    void SetUpHistory();
    void ConnectPageWidgets();
    // Filter, sort and Ctrl+F of the pages.
    void ConnectPageViews();
    // Shows or hides a stack and keeps its page-display action's check mark in step.
    void SetStackShown(QStackedWidget *stack, bool shown);
    void ShowAboutBox();
    // Puts the stacks back on saved pages, each only where the user's
    // permissions offer that page.
    void RestorePages(const QList<int> &stackPages);
    static bool StartDetached(const QString &program, const QStringList &arguments);

    // The side dialogs (mainwindowdialogs.cpp) and the first page load.
    void CreateSideDialogs();
    void StartFirstLoad();
    void HideQueryDialog();
    void HideWarehousePicker();
    void OpenInfoDialog(bool warehouseTab);
    void OpenPeopleDialog(int tab);
    void ReloadChoiceLists();
    void RefillModelCombo();
    bool ItemListHasItems() const;
    // Up, Down and Enter go to the type-ahead list while it offers items.
    bool ForwardItemListKey(QKeyEvent *event);
    // The query dialog and its choice lists (the query code).
    void CreateQueryDialog();
    void ReloadQueryChoices();
    void ShowQueryRows(int group, int kind, int code);
    // The stock rows of the model chosen in comboModel.
    void ShowStockOfModel();
    // 图表 on the sales statistics and profit pages: charts the rows the page shows
    // (mainwindowcharts.cpp).
    void AddChartButtons();
    void ShowPageChart();
    // 全店汇总's menu entry, 设置预警数量 and the box at login (mainwindowowner.cpp).
    void SetUpOwnerPages();
    void SetStockMinimum(const QString &model, const QString &color);
    void OfferStockAlerts();

    Ui::MainWindow *m_ui;
    UserRecord m_user;
    bool m_initialised = false;
    bool m_relationOn = false;
    QLabel *m_statusLabel = nullptr;

    // Side dialogs, created hidden by CreateSideDialogs(); all but the warehouse
    // picker with this window as parent.
    DialogInfoToDb *m_infoDlg = nullptr;
    DialogUserMge *m_personDlg = nullptr;
    DialogQuery *m_queryDlg = nullptr;
    DialogStoreSet *m_storeSetDlg = nullptr;
    ItemListWidget *m_itemList = nullptr;
    LedgerPages *m_ledger = nullptr;
    // Pages whose column widths the user left as they were: not fitted again.
    QSet<QString> m_keptColumns;
    QueryScheduler *m_queryScheduler = nullptr;
    DialogShowGraph *m_graphDlg = nullptr;
    int m_stockCode = 0; // result code of the stock rows on show
};
