#pragma once

#include "exchange/ledgerexchange.h"

#include <functional>

class QObject;
class QAbstractItemModel;
class QWidget;

// The ledger exchange from the window: reads page models and asks for files
// through the modal seam.
namespace LedgerExchange {

// Writes the page's rows (kind 1 goods, 2 finance) into the workbook, without
// asking: every row of the model, its titled columns.
ExportResult WriteLedger(int kind, const QAbstractItemModel *table, const QString &fileName);
// Asks for the file with the main window as parent, then writes.
ExportResult ExportLedger(int kind, const QAbstractItemModel *table, QWidget *window);
// The import's file question; empty when cancelled.
QString AskImportFile();

// What the window lends an import.
struct ImportHooks
{
    std::function<void()> clearPage;                    // empties the page before its rows come back
    std::function<void(const QString &)> status;        // the status line
    std::function<void(const ImportResult &)> finished; // after the status, on the GUI thread
};

// A page import from the window: asks for the file, empties the page, then a
// type-2 worker reads the workbook and stores its rows; ShowReadExcelData
// reports on the thread of context once the worker has finished. False when
// nothing was started (cancelled, or not a stored page).
bool ImportLedger(int kind, const QString &tableName, QObject *context, const ImportHooks &hooks);

// The end of an import: the status line says what was stored or why nothing was.
void ShowReadExcelData(const ImportResult &result, const ImportHooks &hooks);

} // namespace LedgerExchange
