#pragma once

#include "exchange/workbook.h"

#include <QByteArray>

// Office Open XML workbooks (.xlsx) zipped with QuaZip. Texts go in as
// inline strings, so a sheet's part stands alone and can replace the part of
// an existing package without touching its shared strings.
class XlsxFileWriter
{
public:
    static bool Write(const QString &path, const Workbook &book, QString *error);

    // Copies the package at source to target with sheet.part replaced by the
    // sheet; every other entry is copied raw (same bytes, same compression).
    static bool ReplaceSheet(const QString &source, const QString &target, const WorkbookSheet &sheet,
                             QString *error);

    // The worksheet part. With keepTypes, numbers, dates and truth values
    // read from the package go back as such, with their style index.
    static QByteArray SheetXml(const WorkbookSheet &sheet, bool keepTypes);
};
