#pragma once

#include <QByteArray>
#include <QString>

// The OLE2 compound file of an Excel 97-2003 workbook, opened through libgsf:
// only the "Workbook" stream is taken out, whole and within the size cap.
namespace OleContainer {

// Starts libgsf once, with its and GLib's log messages kept off the terminal
// (every failure is reported through a result instead).
void InitGsf();

// The "Workbook" stream of the file at path; empty, with the reason in
// error, when the container is damaged, holds no such stream (or only the
// older "Book"), or the stream is empty or over WorkbookFile::MaxPartSize.
QByteArray WorkbookStream(const QString &path, QString *error);

} // namespace OleContainer
