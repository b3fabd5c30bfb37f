// Work that belongs to the page, query, exchange, backup and side-dialog code.
// Each body is replaced where that work is written; until then they do nothing
// and report nothing.
#include "app/mainwindow.h"

#include "app/dialoglogin.h"
#include "app/modalseam.h"
#include "exchange/ledgerexchange.h"
#include "exchange/printwidget.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgerpages.h"
#include "masterdata/dialoginfotodb.h"
#include "masterdata/dialogstoreset.h"
#include "masterdata/dialogusermge.h"
#include "masterdata/itemlistwidget.h"

#include <QComboBox>
#include <QTableWidget>

LedgerPages *MainWindow::Ledger()
{
    if (m_ledger)
        return m_ledger;
    m_ledger = new LedgerPages(this);
    m_ledger->SetStatusSink([this](const QString &text) { ShowStatusMessage(text); });
    m_ledger->SetRelogin([] {
        DialogLogin login;
        return ModalSeam::ExecDialog(login) == QDialog::Accepted;
    });
    // The cells offer the lists as the list dialogs hold them, edits included.
    if (m_infoDlg && m_personDlg) {
        m_ledger->SetListReader([this](int storeKind, int infoType) {
            const InfoListDialog *dialog = storeKind == InfoStore::People
                ? static_cast<InfoListDialog *>(m_personDlg) : static_cast<InfoListDialog *>(m_infoDlg);
            return dialog->CurrentList(infoType).list;
        });
    }
    m_ledger->SetTypeAhead(
        [this](QComboBox *box) {
            if (m_itemList)
                m_itemList->ComboChangeProcess(box, this);
        },
        [this] {
            if (m_itemList)
                m_itemList->hide();
        });
    m_ledger->SetWarehousePicker([this](QTableWidget *table, int row, int column) {
        if (!m_storeSetDlg)
            return;
        m_storeSetDlg->SetTarget(table, row, column);
        m_storeSetDlg->setWindowFlags(Qt::WindowStaysOnTopHint);
        m_storeSetDlg->show();
    });
    return m_ledger;
}

void MainWindow::StartFirstLoad() { Ledger()->StartLoad(); }
void MainWindow::ShowTabData() { Ledger()->ShowTabData(); }
void MainWindow::RefreshTab() { Ledger()->RefreshTab(); }
void MainWindow::ActionAdd() { Ledger()->ActionAdd(sender() ? sender()->objectName() : QString()); }
void MainWindow::ActionDelete() { Ledger()->ActionDelete(sender() ? sender()->objectName() : QString()); }
void MainWindow::ActionClear() { Ledger()->ActionClear(sender() ? sender()->objectName() : QString()); }
void MainWindow::TotalProcess() { Ledger()->TotalProcess(sender() ? sender()->objectName() : QString()); }
void MainWindow::ShowTotalResult() { Ledger()->ShowTotalResult(); }
void MainWindow::TabCellChanged(int row, int column)
{
    Ledger()->TabCellChanged(qobject_cast<QTableWidget *>(sender()), row, column);
}
void MainWindow::GetTabDateToDb(int row, int column, const QString &sendName)
{
    Ledger()->GetTabDateToDb(row, column, sendName);
}
void MainWindow::CellChoseProcess(int row, int column)
{
    Ledger()->CellChoseProcess(qobject_cast<QTableWidget *>(sender()), row, column);
}
// The cell editors are wired to the ledger pages directly; these serve any
// other box or date editor connected to the window.
void MainWindow::ComboxTextChanged(const QString &) { Ledger()->ComboxTextChanged(qobject_cast<QComboBox *>(sender())); }
void MainWindow::ComboxIndexChanged(int) { Ledger()->ComboxIndexChanged(qobject_cast<QComboBox *>(sender())); }
void MainWindow::DateChanged(const QDate &date) { Ledger()->DateChanged(qobject_cast<QWidget *>(sender()), date); }
void MainWindow::SaveDbDate() { Ledger()->SaveDbDate(); }
void MainWindow::EnableAction() { Ledger()->EnableAction(); }
void MainWindow::RestoreDbDate() { Ledger()->RestoreDbDate(); }
void MainWindow::WaitForBackup()
{
    if (m_ledger)
        m_ledger->WaitForBackup();
}

void MainWindow::ActionQuery() {}
void MainWindow::QueryProcess() {}
void MainWindow::ShowQueryResultData(int) {}
void MainWindow::InportProcess()
{
    const QString name = sender() ? sender()->objectName() : QString();
    const LedgerKinds::PageKind *page = LedgerKinds::FindByWidget(name);
    if (!page || page->importButton != name)
        return;
    LedgerExchange::ImportHooks hooks;
    hooks.status = [this](const QString &text) { ShowStatusMessage(text); };
    hooks.setFilling = [this](bool on) { Ledger()->SetFillingTables(on); };
    const int kind = page->group == LedgerKinds::Group::Finance ? LedgerExchange::FinancePage
                                                                : LedgerExchange::GoodsPage;
    LedgerExchange::ImportLedger(kind, Table(page->tableName), this, hooks);
}
void MainWindow::ExportProcess()
{
    const QString name = sender() ? sender()->objectName() : QString();
    const LedgerKinds::PageKind *page = LedgerKinds::FindByWidget(name);
    if (!page || page->exportButton != name)
        return;
    // The stock and sales statistics pages go out as goods pages, profit as a finance page.
    const int kind = page->group == LedgerKinds::Group::Finance ? LedgerExchange::FinancePage
                                                                : LedgerExchange::GoodsPage;
    const LedgerExchange::ExportResult result =
        LedgerExchange::ExportLedger(kind, Table(page->tableName), this);
    if (!result.cancelled)
        ShowStatusMessage(LedgerExchange::ExportStatusText(result));
}
void MainWindow::PrintActionProcess()
{
    const QString name = sender() ? sender()->objectName() : QString();
    const LedgerKinds::PageKind *page = LedgerKinds::FindByWidget(name);
    if (!page || page->printButton != name)
        return;
    const PrintResult result = PrintWidget(Table(page->tableName), this);
    // A PDF that failed has had its box; a printer that failed is told here.
    if (result.outcome == PrintOutcome::Failed && result.fileName.isEmpty())
        ShowStatusMessage(QStringLiteral("打印没有完成: %1").arg(result.error));
}
void MainWindow::HideQueryDialog() {}
void MainWindow::CreateQueryDialog() {}
void MainWindow::ReloadQueryChoices() {}
void MainWindow::RefillModelCombo() {}
