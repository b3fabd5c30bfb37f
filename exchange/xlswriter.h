#pragma once

#include "exchange/workbook.h"

#include <QByteArray>

// Writes an Excel 97-2003 workbook (BIFF8, the format Excel saves under code
// 56): the "Workbook" stream of text cells in an OLE2 container made by libgsf.
class XlsWriter
{
public:
    static bool Write(const QString &path, const Workbook &book, QString *error);

    // The BIFF8 "Workbook" stream alone. Empty with an error when the book
    // does not fit the format (rows, columns, cell length).
    static QByteArray WorkbookStream(const Workbook &book, QString *error);

    // Puts a ready "Workbook" stream into a new OLE2 file.
    static bool WriteContainer(const QString &path, const QByteArray &stream, QString *error);
};
