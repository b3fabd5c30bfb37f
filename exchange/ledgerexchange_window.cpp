// The parts of the ledger exchange that touch the page tables and ask for files.
#include "exchange/ledgerexchange.h"

#include "app/modalseam.h"
#include "exchange/excelengine.h"

#include <QObject>
#include <QTableWidget>

namespace LedgerExchange {

ExportResult WriteLedger(int kind, QTableWidget *table, const QString &fileName)
{
    ExportResult result;
    result.fileName = fileName;
    if (!table) {
        result.error = QStringLiteral("没有要导出的表格");
        return result;
    }
    result.rows = table->rowCount();
    ExcelEngine engine(EngineFileName(fileName));
    if (!engine.Open(1, false) || !engine.WriteLedgerTable(kind, table)) {
        result.error = engine.ErrorString();
        return result;
    }
    result.ok = engine.Close();
    if (!result.ok)
        result.error = engine.ErrorString();
    return result;
}

ExportResult ExportLedger(int kind, QTableWidget *table, QWidget *window)
{
    const QString fileName = ModalSeam::GetSaveFileName(
        window, QObject::tr("保存文档"), QStringLiteral("TabDateSave"), QObject::tr("*.xls;; *.xlsx;; "));
    if (fileName.isEmpty()) {
        ExportResult cancelled;
        cancelled.cancelled = true;
        return cancelled;
    }
    return WriteLedger(kind, table, fileName);
}

QString AskImportFile()
{
    return ModalSeam::GetOpenFileName(nullptr, QStringLiteral("标题"), QStringLiteral("TabDateSave"),
                                      QStringLiteral("*.xls;;*.xlsx"));
}

} // namespace LedgerExchange
