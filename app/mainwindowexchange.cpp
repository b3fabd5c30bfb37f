// Import, export and printing of the page whose button was pressed.
#include "app/mainwindow.h"

#include "exchange/ledgerexchange_window.h"
#include "exchange/printwidget.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgermodel.h"
#include "ledger/ledgerpages.h"

#include <QTableView>

void MainWindow::InportProcess()
{
    const QString name = sender() ? sender()->objectName() : QString();
    const LedgerKinds::PageKind *page = LedgerKinds::FindByWidget(name);
    if (!page || page->importButton != name)
        return;
    LedgerExchange::ImportHooks hooks;
    hooks.status = [this](const QString &text) { ShowStatusMessage(text); };
    hooks.clearPage = [this, page] { Ledger()->ClearPageTable(*page); };
    const int kind =
        page->group == LedgerKinds::Group::Finance ? LedgerExchange::FinancePage : LedgerExchange::GoodsPage;
    LedgerExchange::ImportLedger(kind, page->tableName, this, hooks);
}
void MainWindow::ExportProcess()
{
    const QString name = sender() ? sender()->objectName() : QString();
    const LedgerKinds::PageKind *page = LedgerKinds::FindByWidget(name);
    if (!page || page->exportButton != name)
        return;
    // The stock and sales statistics pages go out as goods pages, profit as a finance page.
    const int kind =
        page->group == LedgerKinds::Group::Finance ? LedgerExchange::FinancePage : LedgerExchange::GoodsPage;
    const LedgerExchange::ExportResult result =
        LedgerExchange::ExportLedger(kind, Ledger()->Model(*page), this);
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
