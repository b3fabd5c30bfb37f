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
#include <QTableView>

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

} // namespace

RowsPdf::Table TableOfPage(const QTableView *table)
{
    RowsPdf::Table out;
    const QAbstractItemModel *model = table ? table->model() : nullptr;
    if (!model)
        return out;
    out.title = LedgerExchange::PageTitle(table->objectName());
    QVector<int> columns;
    for (int c = 0; c < model->columnCount(); ++c) {
        if (table->isColumnHidden(c))
            continue;
        columns.append(c);
        const QString header = model->headerData(c, Qt::Horizontal).toString();
        out.headers << (header.isEmpty() ? QString::number(c + 1) : header);
    }
    // The rows the page shows, in the order it shows them (its filter and sort).
    out.rows.reserve(model->rowCount());
    for (int r = 0; r < model->rowCount(); ++r) {
        if (table->isRowHidden(r))
            continue;
        QStringList cells;
        cells.reserve(columns.size());
        for (int c : qAsConst(columns))
            cells << model->index(r, c).data().toString();
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
    const auto *table = qobject_cast<const QTableView *>(widget);
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
