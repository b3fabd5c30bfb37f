#pragma once

#include "exchange/workbook.h"

// Writes a new .xlsx file with libxlsxwriter, every cell as a string. Blank
// cells inside a sheet's extent are written too, so the used range a reader
// sees is the one that was written.
class XlsxFileWriter
{
public:
    static bool Write(const QString &path, const Workbook &book, QString *error);
};
