#pragma once

#include <QString>

class QTableWidget;
class QWidget;

// The list dialogs' tables to and from workbooks (sheet 1, a header row, then
// one row per table row with the row number first).
namespace ListExchange {

struct ListImport
{
    bool read = false; // the workbook could be read; false changes nothing
    int inserted = 0;  // rows put at the top of the table
    int refused = 0;   // rows left out: a ";" in a field would split the stored row
    QString error;
};

// Inserts the sheet's rows above the table's rows, the sheet's first column
// into the number column; with busy set while the table changes, so its
// cell-change notifications store nothing. The caller stores the table.
ListImport ReadIntoList(const QString &fileName, QTableWidget *table, bool *busy);

// Asks for a file (caption "标题", folder InfoDateSave), imports it and tells
// the user, parented to dialog, what went wrong or was left out. Returns
// whether rows went into the table.
bool ImportList(QTableWidget *table, QWidget *dialog, bool *busy);

// Writes the table's headers and items into the workbook; false with error
// set when it could not be written.
bool WriteList(QTableWidget *table, const QString &fileName, QString *error);

// Asks for a file (caption "保存文档", folder InfoDateSave) and writes the
// table; a failure is told in a box. Returns whether a workbook was written.
bool ExportList(QTableWidget *table, QWidget *dialog);

} // namespace ListExchange
