#pragma once

#include "exchange/workbook.h"

// Excel 97-2003 workbooks (BIFF8 in an OLE2 container) through libfreexl.
class XlsReader
{
public:
    static bool Read(const QString &path, Workbook *book, QString *error);
};
