#pragma once

#include "db/records.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

// Ledger pages to and from workbooks. A sheet row travels as one text: its
// cells joined by "+", a "+" inside a cell written "^^"; ledger dates travel
// as "yyyyKMMKdd".
namespace LedgerExchange {

enum Kind : int { GoodsPage = 1, FinancePage = 2 };

// Fields a row needs: every column of the page.
int FieldCount(int kind);

// The stored kind (tab_type) of the page whose table name is given: the first
// stored page of the group whose table name the text contains; -1 for none.
int TabTypeOf(int kind, const QString &tableName);

// Splits a row text at "+", keeping empty parts, and turns "^^" back into "+".
QStringList SplitRow(const QString &text);

// Serials for rows that come without one: the import time, moved on by a
// millisecond where needed so that no two rows of one import share a serial
// (the store would take the second for an update of the first).
class SerialClock
{
public:
    explicit SerialClock(const QDateTime &start = QDateTime::currentDateTime());
    QString Next();

private:
    QDateTime m_next;
};

enum class RowVerdict { Ok, TooFewFields, NotANumber };

// One row text into a record of the given tab_type; the record is only
// complete when the verdict is Ok.
RowVerdict GoodsFromRow(const QString &text, int tabType, SerialClock &clock, GoodsRecord *record);
RowVerdict FinanceFromRow(const QString &text, int tabType, SerialClock &clock, FinanceRecord *record);

struct ImportResult
{
    bool read = false;   // the workbook could be read (always true for row lists)
    bool stored = false; // the rows were committed; false stores nothing
    int imported = 0;
    int tooFewFields = 0;     // rows skipped for too few fields
    int notNumbers = 0;       // rows skipped for letters in a quantity or amount
    int blankRows = 0;        // rows without any text, skipped
    int unreadable = 0;       // rows with a cell that could not be read, skipped
    QString unreadableReason; // the first of them, with its row
    QString fileName;
    QString error; // why nothing was stored

    // Data rows left out; an import that stores none of its data rows failed.
    int Refused() const { return tooFewFields + notNumbers + unreadable; }
    bool Failed() const { return !stored || (imported == 0 && Refused() > 0); }
};

// Stores the rows on the page's kind in one transaction on the calling
// thread's connection: all of them or, when one is refused, none.
ImportResult ImportRowsToStore(int kind, const QStringList &rows, const QString &tableName);
// The same for rows already split into cells (no "^^" to undo); problems
// holds, per row, why a cell of it could not be read (such rows are refused).
ImportResult ImportCellsToStore(int kind, const QVector<QStringList> &rows, const QString &tableName,
                                const QStringList &problems = {});

// The worker's part of an import: reads sheet 1 of the file, leaves its rows
// as texts in rows (when given) and stores its cells as above.
ImportResult ReadAndStore(int kind, const QString &fileName, QStringList *rows, const QString &tableName);

QString ImportStatusText(const ImportResult &result);

struct ExportResult
{
    bool ok = false;
    bool cancelled = false;
    int rows = 0;
    int formulasAsValues = 0; // formulas of the existing file kept as their values
    QString fileName;         // as chosen
    QString error;
};

QString ExportStatusText(const ExportResult &result);

// The name an export writes to: a name typed without ".xls" or ".xlsx" gets
// the extension of the chosen filter (".xls" when none), as a spreadsheet
// program's save does, so the import dialogs' "*.xls;;*.xlsx" find the file.
QString WithWorkbookExtension(const QString &chosen, const QString &selectedFilter);

// The name the workbook is opened with: every "/" as a backslash, as the
// file dialog's answer is handed on (the engine reads both as separators).
QString EngineFileName(const QString &chosen);

// The one export of a ledger page, whoever asks: the header into row 1, the
// rows below it, every cell as text (dates as "yyyyKMMKdd").
ExportResult WriteLedgerRows(const QStringList &header, const QVector<QStringList> &rows,
                             const QString &fileName);

// Stored rows as a page shows and exports them: the texts in column order,
// the date as "yyyyKMMKdd" (kept as it is when it is no date).
QVector<QStringList> LedgerCells(const GoodsList &records);
QVector<QStringList> LedgerCells(const FinanceList &records);

// A stored page's rows of a period (dateMode and dates as the store reads
// them) written with the page's column titles. The page is a table name of a
// stored goods or finance page.
ExportResult ExportStoredPage(const QString &tableName, int dateMode, const QString &from, const QString &to,
                              const QString &fileName);

// A stored page's rows of a period as the page shows them (dates
// "yyyy-MM-dd"); false with error when the page is not stored or the store
// cannot be read.
bool StoredPageRows(const QString &tableName, int dateMode, const QString &from, const QString &to,
                    QVector<QStringList> *rows, QString *error);

// The title a page is printed under: the page's title, "销售统计" for the
// sales page, the table name for anything else.
QString PageTitle(const QString &tableName);

} // namespace LedgerExchange
