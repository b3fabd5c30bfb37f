#pragma once

#include <QRect>
#include <QSize>
#include <QString>

class QPrinter;
class QWidget;

enum class PrintOutcome { Cancelled, Printed, PdfWritten, Failed };

struct PrintResult
{
    PrintOutcome outcome = PrintOutcome::Cancelled;
    QString fileName;   // the PDF written (or not written)
    QString error;
};

// Prints the picture of a page's table as it stands on screen, on a printer
// or into a PDF file, scaled onto one page. Asks how through the choice box,
// then the print dialog or the file dialog (parent: window). A PDF that
// cannot be written is told in a box.
PrintResult PrintWidget(QWidget *widget, QWidget *window);

// Draws the widget's visible picture onto one page of the printer.
bool RenderWidget(QWidget *widget, QPrinter *printer, QString *error);

// Where a picture of the given size lands in a viewport: as large as fits,
// proportions kept, at the viewport's top-left corner.
QRect FitPicture(const QSize &picture, const QRect &viewport);

// The PDF name for the file dialog's answer: ".pdf" added when there is no suffix.
QString PdfFileName(const QString &chosen);
