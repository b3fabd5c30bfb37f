#pragma once

#include "exchange/rowspdf.h"

#include <QString>

class QTableView;
class QWidget;

enum class PrintOutcome { Cancelled, Printed, PdfWritten, Failed };

struct PrintResult
{
    PrintOutcome outcome = PrintOutcome::Cancelled;
    QString fileName; // the PDF written (or not written)
    QString error;
    int pages = 0;
};

// Prints a page's table as a paginated table of all its rows and columns
// (RowsPdf), on a printer or into a PDF file. Asks how through the choice
// box, then the print dialog or the file dialog (parent: window). A PDF
// that cannot be written is told in a box.
PrintResult PrintWidget(QWidget *widget, QWidget *window);

// What the page shows: its title, column titles and every row's texts
// (through its model, as shown: hidden rows and columns left out).
RowsPdf::Table TableOfPage(const QTableView *table);

// The PDF name for the file dialog's answer: ".pdf" added when there is no suffix.
QString PdfFileName(const QString &chosen);
