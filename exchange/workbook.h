#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// One worksheet held as texts. Cells are addressed 0-based (row 0 is sheet
// row 1). Rows are ragged: a missing cell reads as an empty text. The extent
// is the box of every cell the file holds, blank ones included, so a blank
// column at the edge of a written table is still part of the used range.
struct WorkbookSheet
{
    QString name;
    QVector<QStringList> rows;
    int firstRow = -1; // -1: no cell at all
    int firstColumn = -1;
    int lastRow = -1;
    int lastColumn = -1;

    bool IsEmpty() const { return lastRow < 0; }
    QString Text(int row, int column) const;
    // Stores the text and widens the extent to take the cell in.
    void SetText(int row, int column, const QString &text);
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

// The format from the first bytes of the file, whatever its name.
Format DetectFormat(const QString &path, QString *error);

// Reads every sheet of the workbook. On failure the book is left empty and
// error holds the reason.
bool Read(const QString &path, Workbook *book, QString *error);

// Writes the book in the given format. The file is written beside the target
// and moved over it only when complete, so a failed write leaves an existing
// file as it was.
bool Write(const QString &path, Format format, const Workbook &book, QString *error);

// The text a numeric cell shows: 15 significant digits like a spreadsheet,
// plain decimal without exponent (3 -> "3", 2.5 -> "2.5", 0.1+0.2 -> "0.3").
QString NumberToText(double value);

// Sheet names are at most 31 characters, without []:*?/\ and unique in the
// book (compared without case). Empty or clashing names become "SheetN".
QStringList SafeSheetNames(const Workbook &book);

} // namespace WorkbookFile
