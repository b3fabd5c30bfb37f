#pragma once

#include "exchange/workbook.h"

#include <QByteArray>

// Excel 97-2003 workbooks (BIFF8 in an OLE2 container). OleContainer takes
// the "Workbook" stream out; its records are read here, each one checked
// against its own length and the stream's end, so a damaged file is refused
// with a message and never read past its end.
class XlsReader
{
public:
    static bool Read(const QString &path, Workbook *book, QString *error, int onlySheet = 0);
    // The same for the "Workbook" stream alone.
    static bool ReadStream(const QByteArray &stream, Workbook *book, QString *error, int onlySheet = 0);
};
