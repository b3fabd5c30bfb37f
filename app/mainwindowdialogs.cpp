// The side dialogs that keep the lists (master data, people and users, the
// warehouse picker) and the type-ahead list shared by the ledger cells.
#include "app/dialoglogin.h"
#include "app/mainwindow.h"
#include "ledger/ledgerpages.h"
#include "masterdata/dialoginfotodb.h"
#include "masterdata/dialogstoreset.h"
#include "masterdata/dialogusermge.h"
#include "masterdata/itemlistwidget.h"
#include "widgets/modalseam.h"

#include <QComboBox>
#include <QKeyEvent>

void MainWindow::CreateSideDialogs()
{
    m_infoDlg = new DialogInfoToDb(this);
    m_infoDlg->hide();
    m_infoDlg->SetRelogin(&DialogLogin::ConfirmPrivileged);
    m_personDlg = new DialogUserMge(this);
    m_personDlg->hide();
    m_personDlg->SetRelogin(&DialogLogin::ConfirmPrivileged);

    // A window of its own (no parent), so it never sits inside a page; the
    // window deletes it when it goes.
    m_storeSetDlg = new DialogStoreSet();
    m_storeSetDlg->hide();
    m_storeSetDlg->RefreshLists();

    // A floating list without a parent, so it can sit over any page.
    m_itemList = new ItemListWidget();
    ItemListWidget *itemList = m_itemList;
    DialogStoreSet *picker = m_storeSetDlg;
    connect(this, &QObject::destroyed, [itemList, picker] {
        delete itemList;
        delete picker;
    });

    connect(m_infoDlg, &InfoListDialog::sendRefresh, this, &MainWindow::UpDateInfo);
    connect(m_personDlg, &InfoListDialog::sendRefresh, this, &MainWindow::UpDateInfo);

    CreateQueryDialog();
}

void MainWindow::HideWarehousePicker()
{
    if (m_storeSetDlg)
        m_storeSetDlg->hide();
}

void MainWindow::OpenInfoDialog(bool warehouseTab)
{
    if (!m_infoDlg)
        return;
    if (warehouseTab)
        m_infoDlg->SetCurrentTab(m_infoDlg->tables().size() - 1, true);
    m_infoDlg->show();
    m_infoDlg->raise();
    m_infoDlg->activateWindow();
}

void MainWindow::OpenPeopleDialog(int tab)
{
    if (!m_personDlg)
        return;
    m_personDlg->SetCurrentTab(tab, true);
    m_personDlg->show();
    m_personDlg->raise();
    m_personDlg->activateWindow();
}

void MainWindow::ReloadChoiceLists()
{
    if (m_storeSetDlg && m_infoDlg)
        m_storeSetDlg->ShowWarehouseList(m_infoDlg->CurrentList(ListNo::Warehouse).list);
    ReloadQueryChoices();
    if (m_ledger)
        m_ledger->RefreshNames();
}

bool MainWindow::ItemListHasItems() const { return m_itemList && m_itemList->HoldsItems(); }

bool MainWindow::ForwardItemListKey(QKeyEvent *event)
{
    if (!ItemListHasItems())
        return false;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter: m_itemList->HandleKey(event); return true;
    default: return false;
    }
}
