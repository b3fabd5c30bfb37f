#include "exchange/listexchange.h"

#include "db/exportfolder.h"
#include "exchange/ledgerexchange.h"
#include "exchange/listrows.h"
#include "widgets/boxes.h"
#include "widgets/modalseam.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QObject>
#include <QPushButton>
#include <QTableWidget>
#include <QVector>

namespace ListExchange {
namespace {

// The box only informs; either way the import or export is over.
void ShowBox(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    Boxes::Notice(parent, icon, title, text);
}

} // namespace

ListImport ReadIntoList(const QString &fileName, QTableWidget *table, bool *busy)
{
    ListImport result;
    if (!table) {
        result.error = QStringLiteral("没有目标表格");
        return result;
    }
    QVector<QStringList> sheet;
    if (!ListRows::ReadSheet(fileName, &sheet, &result.error))
        return result;
    result.read = true;

    const int columns = table->columnCount();
    const ListRows::Merge merge = ListRows::PutOnTop(sheet, columns);
    const bool wasBusy = busy ? *busy : false;
    if (busy)
        *busy = true;
    for (int at = 0; at < merge.inserted; ++at) {
        table->insertRow(at);
        for (int c = 0; c < columns; ++c)
            table->setItem(at, c, new QTableWidgetItem(merge.rows.at(at).value(c)));
    }
    if (busy)
        *busy = wasBusy;
    result.inserted = merge.inserted;
    result.refused = merge.refused;
    return result;
}

bool ImportList(QTableWidget *table, QWidget *dialog, bool *busy)
{
    const QString fileName = ModalSeam::GetOpenFileName(
        nullptr, QStringLiteral("标题"), ExportFolder::ForFiles(QStringLiteral("InfoDateSave")),
        QStringLiteral("*.xls;;*.xlsx"));
    if (fileName.isEmpty())
        return false;
    const ListImport result = ReadIntoList(fileName, table, busy);
    const QString name = QFileInfo(fileName).fileName();
    if (!result.read) {
        ShowBox(dialog, QMessageBox::Warning, QStringLiteral("导入失败"),
                QStringLiteral("无法读取工作簿 %1 (%2)，列表没有改动").arg(name, result.error));
    } else if (result.refused > 0) {
        ShowBox(dialog, QMessageBox::Information, QStringLiteral("导入"),
                QStringLiteral("已导入%1行；%2行的内容含有分号\";\"，没有导入")
                    .arg(result.inserted)
                    .arg(result.refused));
    }
    return result.inserted > 0;
}

bool WriteList(QTableWidget *table, const QString &fileName, QString *error)
{
    if (!table) {
        if (error)
            *error = QStringLiteral("没有要导出的表格");
        return false;
    }
    QStringList header;
    for (int c = 0; c < table->columnCount(); ++c) {
        const QTableWidgetItem *item = table->horizontalHeaderItem(c);
        header << (item ? item->text() : QString());
    }
    QVector<QStringList> rows;
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c) {
            const QTableWidgetItem *item = table->item(r, c);
            cells << (item ? item->text() : QString());
        }
        rows.append(cells);
    }
    return ListRows::WriteSheet(header, rows, fileName, error);
}

bool ExportList(QTableWidget *table, QWidget *dialog)
{
    QString filter;
    const QString fileName = LedgerExchange::WithWorkbookExtension(
        ModalSeam::GetSaveFileName(dialog, QObject::tr("保存文档"),
                                   ExportFolder::ForFiles(QStringLiteral("InfoDateSave")),
                                   QObject::tr("*.xls;; *.xlsx;; "), &filter),
        filter);
    if (fileName.isEmpty())
        return false;
    QString error;
    if (WriteList(table, fileName, &error))
        return true;
    ShowBox(dialog, QMessageBox::Warning, QStringLiteral("导出失败"),
            QStringLiteral("无法写入工作簿 %1 (%2)").arg(QFileInfo(fileName).fileName(), error));
    return false;
}

} // namespace ListExchange
