#include "exchange/listexchange.h"

#include "app/modalseam.h"
#include "exchange/excelengine.h"
#include "exchange/ledgerexchange.h"
#include "masterdata/listcodec.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QObject>
#include <QPushButton>
#include <QTableWidget>
#include <QVector>

namespace ListExchange {
namespace {

const QString kFolder = QStringLiteral("InfoDateSave");

void ShowBox(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    box.setStyleSheet(QStringLiteral("QPushButton{background-color:rgb(255, 0, 0); color:rgb(0, 0, 0);}"));
    // The box only informs; either way the import or export is over.
    ModalSeam::Exec(box);
}

// Column 0 is the row number and is never stored, so only the fields count.
bool Storable(const QStringList &cells)
{
    for (int c = 1; c < cells.size(); ++c) {
        if (!ListCodec::IsStorable(cells.at(c)))
            return false;
    }
    return true;
}

} // namespace

ListImport ReadIntoList(const QString &fileName, QTableWidget *table, bool *busy)
{
    ListImport result;
    if (!table) {
        result.error = QStringLiteral("没有目标表格");
        return result;
    }
    QVector<QStringList> rows;
    {
        ExcelEngine engine(fileName);
        if (!engine.Open(1, false) || !engine.ReadRows(&rows)) {
            result.error = engine.ErrorString();
            return result;
        }
        engine.Close();
    }
    result.read = true;

    const int columns = table->columnCount();
    const bool wasBusy = busy ? *busy : false;
    if (busy)
        *busy = true;
    int at = 0;
    for (const QStringList &cells : qAsConst(rows)) {
        // Only the columns the table has are looked at and kept.
        const QStringList kept = cells.mid(0, columns);
        if (!Storable(kept)) {
            ++result.refused;
            continue;
        }
        table->insertRow(at);
        for (int c = 0; c < columns; ++c)
            table->setItem(at, c, new QTableWidgetItem(kept.value(c)));
        ++at;
    }
    if (busy)
        *busy = wasBusy;
    result.inserted = at;
    return result;
}

bool ImportList(QTableWidget *table, QWidget *dialog, bool *busy)
{
    const QString fileName = ModalSeam::GetOpenFileName(nullptr, QStringLiteral("标题"), kFolder,
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
    ExcelEngine engine(LedgerExchange::EngineFileName(fileName));
    bool ok = engine.Open(1, false) && engine.WriteTable(table);
    if (ok)
        ok = engine.Close();
    if (!ok && error)
        *error = engine.ErrorString();
    return ok;
}

bool ExportList(QTableWidget *table, QWidget *dialog)
{
    const QString fileName = ModalSeam::GetSaveFileName(
        dialog, QObject::tr("保存文档"), kFolder, QObject::tr("*.xls;; *.xlsx;; "));
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
