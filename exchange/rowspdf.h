#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

class QPagedPaintDevice;

// A page's rows printed as a paginated table: every row and column, the
// column titles repeated on each page, the page title and print date at the
// top, "第 n 页，共 m 页" at the bottom, landscape when the columns need the
// width. Text is drawn as text, so a PDF of it can be searched and copied.
namespace RowsPdf {

struct Table
{
    QString title;
    QStringList headers;
    QVector<QStringList> rows;
    QDateTime printedAt = QDateTime::currentDateTime();
};

// Lays the table out on the device (a QPdfWriter or a QPrinter), choosing
// the orientation before the first page. Returns the pages drawn, 0 with
// error set when the device could not be painted on.
int Render(QPagedPaintDevice *device, const Table &table, QString *error);

// Writes the table as an A4 PDF file.
bool WritePdf(const QString &path, const Table &table, QString *error);

} // namespace RowsPdf
