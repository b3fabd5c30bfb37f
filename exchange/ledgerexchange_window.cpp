// The parts of the ledger exchange that touch the page tables and ask for files.
#include "exchange/ledgerexchange_window.h"

#include "db/exportfolder.h"
#include "exchange/excelengine.h"
#include "ledger/readdatabasethread.h"
#include "widgets/modalseam.h"

#include <QAbstractItemModel>
#include <QDate>
#include <QObject>

#include <memory>

namespace {

// The date column of each ledger page family (kind 1: goods, 2: finance), by table column.
struct LedgerDateColumn
{
    int kind;
    int dateColumn;
};

const LedgerDateColumn LedgerLayouts[] = {
    {1, 7}, // goods pages
    {2, 3}, // finance pages
};

// The date text of an export; "K" is no date letter and stays as it is.
const QString LedgerDateFormat = QStringLiteral("yyyyKMMKdd");

// The texts a ledger page exports: the header items and every cell, the date
// column of a goods or finance page as "yyyyKMMKdd".
void LedgerTableCells(int kind, const QAbstractItemModel *table, QStringList *header,
                      QVector<QStringList> *rows)
{
    int dateColumn = -1;
    for (const LedgerDateColumn &l : LedgerLayouts) {
        if (l.kind == kind)
            dateColumn = l.dateColumn;
    }
    for (int c = 0; c < table->columnCount(); ++c)
        *header << table->headerData(c, Qt::Horizontal).toString();
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c) {
            QString text = table->index(r, c).data().toString();
            if (c == dateColumn) {
                const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
                if (date.isValid())
                    text = date.toString(LedgerDateFormat);
            }
            cells << text;
        }
        rows->append(cells);
    }
}

} // namespace

namespace LedgerExchange {

ExportResult WriteLedger(int kind, const QAbstractItemModel *table, const QString &fileName)
{
    if (!table) {
        ExportResult result;
        result.fileName = fileName;
        result.error = QStringLiteral("没有要导出的表格");
        return result;
    }
    QStringList header;
    QVector<QStringList> rows;
    LedgerTableCells(kind, table, &header, &rows);
    // A page that hides its untitled columns (the summaries of the sales
    // statistics stack) exports what it shows.
    for (int c = header.size() - 1; c >= 0; --c) {
        if (!header.at(c).isEmpty())
            continue;
        header.removeAt(c);
        for (QStringList &row : rows)
            row.removeAt(c);
    }
    return WriteLedgerRows(header, rows, fileName);
}

ExportResult ExportLedger(int kind, const QAbstractItemModel *table, QWidget *window)
{
    QString filter;
    const QString fileName = WithWorkbookExtension(
        ModalSeam::GetSaveFileName(window, QObject::tr("保存文档"),
                                   ExportFolder::ForFiles(QStringLiteral("TabDateSave")),
                                   QObject::tr("*.xls;; *.xlsx;; "), &filter),
        filter);
    if (fileName.isEmpty()) {
        ExportResult cancelled;
        cancelled.cancelled = true;
        return cancelled;
    }
    return WriteLedger(kind, table, fileName);
}

QString AskImportFile()
{
    return ModalSeam::GetOpenFileName(nullptr, QStringLiteral("标题"),
                                      ExportFolder::ForFiles(QStringLiteral("TabDateSave")),
                                      QStringLiteral("*.xls;;*.xlsx"));
}

bool ImportLedger(int kind, const QString &tableName, QObject *context, const ImportHooks &hooks)
{
    if (TabTypeOf(kind, tableName) < 0)
        return false;
    const QString fileName = AskImportFile();
    if (fileName.isEmpty())
        return false;
    if (hooks.status)
        hooks.status(QStringLiteral("数据导入开始..."));

    if (hooks.clearPage)
        hooks.clearPage();

    // Owned by the worker's closure and the report, whichever lives longer; the
    // worker never touches the table, only its name.
    struct Shared
    {
        QStringList importRows;
        ImportResult result;
    };
    auto shared = std::make_shared<Shared>();
    // Parented to the context: a window closing mid-import waits for the worker.
    auto *worker = new ReadDatabaseThread(nullptr, ReadDatabaseThread::ImportSheet, context);
    worker->SetImportParam(1, fileName, &shared->importRows);
    worker->SetWork([shared, kind, tableName](ReadDatabaseThread &self) {
        shared->result = ReadAndStore(kind, self.importPath(), self.importList(), tableName);
    });
    QObject::connect(worker, &QThread::finished, context,
                     [shared, hooks] { ShowReadExcelData(shared->result, hooks); });
    worker->StartSelfDeleting();
    return true;
}

void ShowReadExcelData(const ImportResult &result, const ImportHooks &hooks)
{
    if (hooks.status)
        hooks.status(ImportStatusText(result));
    if (hooks.finished)
        hooks.finished(result);
}

} // namespace LedgerExchange
