#include "exchange/printwidget.h"

#include "app/modalseam.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QWidget>

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
    QMessageBox box(QMessageBox::Warning, QStringLiteral("导出PDF文件"),
                    QStringLiteral("无法写入PDF文件 %1 (%2)").arg(result.fileName, result.error),
                    QMessageBox::NoButton, window);
    box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    box.setStyleSheet(QStringLiteral("QPushButton{background-color:rgb(255, 0, 0); color:rgb(0, 0, 0);}"));
    // Only a notice: nothing more to decide.
    ModalSeam::Exec(box);
}

} // namespace

QRect FitPicture(const QSize &picture, const QRect &viewport)
{
    if (picture.isEmpty() || viewport.isEmpty())
        return QRect(viewport.topLeft(), QSize(0, 0));
    QSize size = picture;
    size.scale(viewport.size(), Qt::KeepAspectRatio);
    return QRect(viewport.topLeft(), size);
}

QString PdfFileName(const QString &chosen)
{
    if (chosen.isEmpty() || !QFileInfo(chosen).suffix().isEmpty())
        return chosen;
    return chosen + QStringLiteral(".pdf");
}

bool RenderWidget(QWidget *widget, QPrinter *printer, QString *error)
{
    if (!widget || !printer) {
        if (error)
            *error = QStringLiteral("没有要打印的表格");
        return false;
    }
    QPainter painter;
    if (!painter.begin(printer)) {
        if (error)
            *error = printer->outputFileName().isEmpty() ? QStringLiteral("打印机无法开始打印")
                                                         : QStringLiteral("文件无法创建");
        return false;
    }
    // Only what the table shows on screen: rows scrolled away are not on the picture.
    const QPixmap pixmap = widget->grab(widget->rect());
    const QRect viewport = painter.viewport();
    const QRect target = FitPicture(pixmap.size(), viewport);
    if (!target.isEmpty()) {
        painter.setViewport(target);
        painter.setWindow(pixmap.rect());
        painter.drawPixmap(0, 0, pixmap);
    }
    const bool ended = painter.end();
    if (!ended || printer->printerState() == QPrinter::Error) {
        if (error)
            *error = QStringLiteral("输出没有完成");
        return false;
    }
    return true;
}

PrintResult PrintWidget(QWidget *widget, QWidget *window)
{
    PrintResult result;
    QPrinter printer(QPrinter::HighResolution);
    if (!AskForPdf()) {
        QPrintDialog dialog(&printer, window);
        if (ModalSeam::ExecDialog(dialog) != QDialog::Accepted)
            return result;
        result.fileName = printer.outputFileName();
        result.outcome = RenderWidget(widget, &printer, &result.error) ? PrintOutcome::Printed
                                                                       : PrintOutcome::Failed;
        return result;
    }

    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString chosen = ModalSeam::GetSaveFileName(window, QStringLiteral("导出PDF文件"),
                                                      QStringLiteral("TabDateSave"),
                                                      QStringLiteral("*.pdf"));
    if (chosen.isEmpty())
        return result;
    result.fileName = PdfFileName(chosen);
    printer.setOutputFileName(result.fileName);
    if (RenderWidget(widget, &printer, &result.error)) {
        result.outcome = PrintOutcome::PdfWritten;
    } else {
        result.outcome = PrintOutcome::Failed;
        ShowPdfFailure(window, result);
    }
    return result;
}
