#pragma once

#include "exchange/workbook.h"

// Office Open XML workbooks (.xlsx) read straight from the zip package.
// Handles what real writers produce: shared or inline strings, rich-text
// runs, part paths written absolute or relative, rows and cells without an
// "r" attribute, date-formatted numbers.
class XlsxReader
{
public:
    static bool Read(const QString &path, Workbook *book, QString *error, int onlySheet = 0);
};
