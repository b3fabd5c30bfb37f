#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

// What a cell held in the file beyond its text, so that a rewrite can give
// numbers, dates and truth values back as such rather than as text.
struct TypedCell
{
    enum Kind : quint8 { Number, Date, DateTime, Boolean };
    Kind kind = Number;
    double value = 0;   // the number, the date serial, or 0/1
    int xlsxStyle = -1; // the cell's style index in an .xlsx (kept on rewrite)
};

// One worksheet held as texts. Cells are addressed 0-based (row 0 is sheet
// row 1). Rows are ragged: a missing cell reads as an empty text, and rows
// end at the last row that holds text (blank cells take no memory). The
// extent is the box of every cell the file holds, blank ones included, so a
// blank column at the edge of a written table is still part of the used range.
struct WorkbookSheet
{
    QString name;
    QVector<QStringList> rows;
    int firstRow = -1; // -1: no cell at all
    int firstColumn = -1;
    int lastRow = -1;
    int lastColumn = -1;
    // Cells the file held as numbers, dates or truth values, by Key().
    QHash<quint64, TypedCell> typed;
    int formulaCells = 0; // formulas read as their last computed values
    bool tooWide = false; // cells beyond MaxReadColumns were left out
    bool unread = false;  // only the name was read (another sheet was asked for)
    QString part;         // the sheet's part in an .xlsx package
    // Rows holding a cell that could not be read, with the first reason; the
    // cell itself reads as empty, so a reader must refuse the row.
    QHash<int, QString> unreadable;

    bool IsEmpty() const { return lastRow < 0; }
    // Marks the row as holding a cell that could not be read.
    void SetUnreadable(int row, int column, const QString &reason);
    QString Text(int row, int column) const;
    // Stores the text and widens the extent to take the cell in; the cell
    // is plain text from then on.
    void SetText(int row, int column, const QString &text);
    // Stores a number, date or truth value with the text it shows.
    void SetTyped(int row, int column, const QString &text, const TypedCell &cell);
    const TypedCell *Typed(int row, int column) const;
    // The last row holding text (-1 for none); the extent may go further.
    int LastDataRow() const { return rows.size() - 1; }
    static quint64 Key(int row, int column) { return quint64(quint32(row)) << 32 | quint32(column); }

private:
    // Stores the text and widens the extent, leaving typed as it is.
    void Put(int row, int column, const QString &text);
};

struct Workbook
{
    QVector<WorkbookSheet> sheets;
};

namespace WorkbookFile {

enum class Format { Unknown, Xls, Xlsx };

// Largest sheet each format can hold.
constexpr int XlsMaxRows = 65536;
constexpr int XlsMaxColumns = 256;
constexpr int XlsxMaxRows = 1048576;
constexpr int XlsxMaxColumns = 16384;
constexpr int MaxCellLength = 32767;
// Columns a sheet may use to be read: the 19 ledger columns and any list's
// columns with room to spare. A cell further right marks the sheet tooWide.
constexpr int MaxReadColumns = 64;
// Largest part of a package or stream inflated (a sheet's part is parsed
// as it inflates and never held whole).
constexpr qint64 MaxPartSize = qint64(200) << 20;
// Most sheets a book may list, and most cells (blank ones included) read
// from one book: far beyond any ledger, and small enough that no file can
// take more than a few hundred MB to read.
constexpr int MaxSheets = 1024;
constexpr qint64 MaxCells = 1000000;
// Most characters of text one .xlsx read keeps (shared strings and cells):
// its parts inflate to far more than the file's size.
constexpr qint64 MaxTextChars = 50000000;

// The format from the first bytes of the file, whatever its name.
Format DetectFormat(const QString &path, QString *error);

// Reads the workbook. With onlySheet > 0 only that worksheet (1-based) is
// parsed and the others come as names (unread), so a damaged or huge other
// sheet neither blocks nor slows the read; with 0 every sheet is parsed,
// each part once. On failure the book is left empty and error holds the reason.
bool Read(const QString &path, Workbook *book, QString *error, int onlySheet = 0);

// Writes the book in the given format. The file is written beside the target
// and moved over it only when complete, so a failed write leaves an existing
// file as it was. An existing target keeps its mode, a symbolic link is
// written through to its target, and a file the user may not write or that
// another program holds open (its lock file beside it) is refused.
bool Write(const QString &path, Format format, const Workbook &book, QString *error);

// Replaces one sheet's part inside an existing .xlsx package; every other
// part is copied byte for byte. Written beside the file and moved over it.
bool ReplaceXlsxSheet(const QString &path, const WorkbookSheet &sheet, QString *error);

// Why the file may not be written now, or empty when it may: read-only, or a
// spreadsheet program's lock file ("~$name", ".~lock.name#") beside it.
QString WriteProblem(const QString &path);

// Why a sheet cannot be read as a table, or empty when it can.
QString SheetProblem(const WorkbookSheet &sheet);

// The text a numeric cell shows: 15 significant digits like a spreadsheet,
// plain decimal without exponent (3 -> "3", 2.5 -> "2.5", 0.1+0.2 -> "0.3").
QString NumberToText(double value);

// Sheet names are at most 31 characters, without []:*?/\ and unique in the
// book (compared without case). Empty or clashing names become "SheetN".
QStringList SafeSheetNames(const Workbook &book);

} // namespace WorkbookFile
