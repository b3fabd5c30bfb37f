#include "exchange/printwidget.h"

#include "db/exportfolder.h"
#include "exchange/ledgerexchange.h"
#include "widgets/boxes.h"
#include "widgets/modalseam.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTableWidget>

namespace {

// True for the PDF path; the printer button and closing the box mean the printer.
bool AskForPdf()
{
    QMessageBox box;
    box.setText(QStringLiteral("请选择打印方式"));
    QPushButton *pdf = box.addButton(QStringLiteral("输出到文档"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("输出到打印机"), QMessageBox::RejectRole);
    ModalSeam::Exec(box);
    return box.clickedButton() == pdf;
}

void ShowPdfFailure(QWidget *window, const PrintResult &result)
{
    Boxes::Notice(window, QMessageBox::Warning, QStringLiteral("导出PDF文件"),
                  QStringLiteral("无法写入PDF文件 %1 (%2)").arg(result.fileName, result.error));
}

QString CellText(const QTableWidget *table, int row, int column)
{
    QWidget *widget = table->cellWidget(row, column);
    if (const auto *combo = qobject_cast<const QComboBox *>(widget))
        return combo->currentText();
    if (const auto *date = qobject_cast<const QDateTimeEdit *>(widget))
        return date->date().toString(QStringLiteral("yyyy-MM-dd"));
    if (const auto *edit = qobject_cast<const QLineEdit *>(widget))
        return edit->text();
    const QTableWidgetItem *item = table->item(row, column);
    return item ? item->text() : QString();
}

} // namespace

RowsPdf::Table TableOfPage(const QTableWidget *table)
{
    RowsPdf::Table out;
    if (!table)
        return out;
    out.title = LedgerExchange::PageTitle(table->objectName());
    QVector<int> columns;
    for (int c = 0; c < table->columnCount(); ++c) {
        if (table->isColumnHidden(c))
            continue;
        columns.append(c);
        const QTableWidgetItem *header = table->horizontalHeaderItem(c);
        out.headers << (header ? header->text() : QString::number(c + 1));
    }
    out.rows.reserve(table->rowCount());
    for (int r = 0; r < table->rowCount(); ++r) {
        if (table->isRowHidden(r))
            continue;
        QStringList cells;
        cells.reserve(columns.size());
        for (int c : qAsConst(columns))
            cells << CellText(table, r, c);
        out.rows.append(cells);
    }
    return out;
}

QString PdfFileName(const QString &chosen)
{
    if (chosen.isEmpty() || !QFileInfo(chosen).suffix().isEmpty())
        return chosen;
    return chosen + QStringLiteral(".pdf");
}

PrintResult PrintWidget(QWidget *widget, QWidget *window)
{
    PrintResult result;
    const auto *table = qobject_cast<const QTableWidget *>(widget);
    QPrinter printer(QPrinter::HighResolution);
    if (!AskForPdf()) {
        QPrintDialog dialog(&printer, window);
        if (ModalSeam::ExecDialog(dialog) != QDialog::Accepted)
            return result;
        result.fileName = printer.outputFileName();
        result.pages = table ? RowsPdf::Render(&printer, TableOfPage(table), &result.error) : 0;
        if (!table)
            result.error = QStringLiteral("没有要打印的表格");
        result.outcome = result.pages > 0 && printer.printerState() != QPrinter::Error ? PrintOutcome::Printed
                                                                                       : PrintOutcome::Failed;
        return result;
    }

    const QString chosen = ModalSeam::GetSaveFileName(window, QStringLiteral("导出PDF文件"),
                                                      ExportFolder::ForFiles(QStringLiteral("TabDateSave")),
                                                      QStringLiteral("*.pdf"));
    if (chosen.isEmpty())
        return result;
    result.fileName = PdfFileName(chosen);
    bool written = false;
    if (!table) {
        result.error = QStringLiteral("没有要打印的表格");
    } else {
        written = RowsPdf::WritePdf(result.fileName, TableOfPage(table), &result.error);
    }
    if (written) {
        result.outcome = PrintOutcome::PdfWritten;
    } else {
        result.outcome = PrintOutcome::Failed;
        ShowPdfFailure(window, result);
    }
    return result;
}
