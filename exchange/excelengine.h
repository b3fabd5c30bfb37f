#pragma once

#include "db/result.h"

#include "exchange/workbook.h"

#include <QObject>
#include <QStringList>
#include <QVariant>
#include <QVector>

// Reads and writes one worksheet of one workbook file, standing in for Excel
// automation: one engine per import or export, used as
//   ExcelEngine engine(name); engine.Open(1, false); <one read or write>; engine.Close();
// Every cell is read and written as text. The used range of the sheet (the
// box of its cells) is taken at Open; its first row is the header that the
// writes produce and the reads skip.
//
// Open parses only the sheet asked for. Writing into an existing .xlsx
// replaces only the sheet's part in the package: every other sheet and part
// stays byte for byte. An existing .xls is read whole on save and written back
// whole: texts, numbers, dates and truth
// values keep their types, formulas become their last computed values
// (FormulasAsValues() counts them), formatting is not kept. A new file is
// written as .xlsx when its name ends in ".xlsx", otherwise as .xls.
//
// Failures are results: Open, the reads, SetCellData and Save return a
// Result carrying the reason.
class ExcelEngine : public QObject
{
    Q_OBJECT

public:
    explicit ExcelEngine(const QString &fileName, QObject *parent = nullptr);
    ~ExcelEngine() override;

    // Loads the workbook (or starts a new one when the file does not exist)
    // and takes the used range of sheet number `sheet` (1-based). `visible`
    // is kept for callers written against Excel; there is no window.
    Result Open(int sheet, bool visible);
    // Open for an export the user confirmed: a file that is no workbook (empty,
    // another kind) is replaced by a new one; a workbook that cannot be read
    // (damaged, over the caps) is refused, as it may hold the user's data.
    Result OpenReplacing(int sheet);

    // Each row below the header as one text: cell texts joined by "+", with
    // "+" inside a cell written "^^". Appends to rows.
    Result ReadRowsAsText(QStringList *rows);
    // Each row below the header as its cell texts, up to the last row that
    // holds text. A row with text has every column of the range; a blank
    // row comes as an empty list. problems, when given, gets one text per
    // row: why a cell of it could not be read (the cell reads as empty), or
    // an empty text.
    Result ReadRows(QVector<QStringList> *rows, QStringList *problems = nullptr);
    // The sheet cleared, header texts into row 1 (from column 1), rows into
    // rows 2.., then Save: the sheet holds exactly these rows afterwards.
    Result WriteRows(const QStringList &header, const QVector<QStringList> &rows);

    // Sets one cell (1-based) of the open sheet to the value's text.
    Result SetCellData(int row, int column, const QVariant &value);
    // The text of one cell (1-based) of the open sheet as it stands now.
    QString CellText(int row, int column) const;

    // Writes the workbook once; a workbook that was read and not changed is
    // left untouched on disk. Later calls return the first result.
    Result Save();
    // Saves, then closes the workbook. Returns the save result.
    Result Close();

    QString FileName() const { return m_fileName; }
    bool IsOpen() const { return m_isOpen; }
    bool IsNewFile() const { return m_isNewFile; }
    int StartRow() const { return m_startRow; }
    int StartColumn() const { return m_startColumn; }
    int RowCount() const { return m_rowCount; }
    int ColumnCount() const { return m_columnCount; }
    int SheetCount() const { return m_book.sheets.size(); }
    // Formulas of the existing file that a save turns into their values.
    int FormulasAsValues() const;

private:
    Result CheckReadable();
    Result Fail(const QString &reason);
    // A failure with the reason the last failed step left.
    Result Failed() const;
    static QString TooWide(const WorkbookSheet &sheet);
    WorkbookSheet &Sheet() { return m_book.sheets[m_sheetIndex - 1]; }
    const WorkbookSheet &Sheet() const { return m_book.sheets.at(m_sheetIndex - 1); }

    QString m_fileName; // as passed by the caller
    QString m_path;     // the file on disk (backslashes read as separators)
    Workbook m_book;
    WorkbookFile::Format m_format = WorkbookFile::Format::Unknown;
    int m_sheetIndex = 0;
    bool m_visible = false;
    int m_rowCount = 0;
    int m_columnCount = 0;
    int m_startRow = 0;
    int m_startColumn = 0;
    bool m_isOpen = false;
    bool m_hasWorkbook = false;
    bool m_isNewFile = false;
    bool m_isClosed = false;
    bool m_modified = false;
    bool m_saveResult = false;
    int m_formulasAsValues = 0;
    QString m_error;
};
