// The engine's operations on table widgets, kept out of the core library.
#include "exchange/excelengine.h"

#include <QComboBox>
#include <QDate>
#include <QDateTimeEdit>
#include <QTableWidget>

namespace {

// Cell widgets of the ledger pages, by table column.
struct LedgerWidgetColumns
{
    int kind;
    QVector<int> comboColumns;
    int dateColumn;
};

const LedgerWidgetColumns LedgerLayouts[] = {
    {1, {1, 2, 3, 4, 6, 14, 15, 17}, 7}, // goods pages
    {2, {1, 4, 5, 7}, 3}, // finance pages
};

// The date text of an export; "K" is no date letter and stays as it is.
const QString LedgerDateFormat = QStringLiteral("yyyyKMMKdd");

QString ItemText(const QTableWidget *table, int row, int column)
{
    const QTableWidgetItem *item = table->item(row, column);
    return item ? item->text() : QString();
}

QString LedgerCellText(const LedgerWidgetColumns *layout, const QTableWidget *table, int row,
                       int column)
{
    if (!layout)
        return QString();
    QWidget *widget = table->cellWidget(row, column);
    if (column == layout->dateColumn) {
        if (const auto *date = qobject_cast<const QDateTimeEdit *>(widget))
            return date->date().toString(LedgerDateFormat);
        // Rows out of view hold their date as item text until their editor is built.
        const QDate shown = QDate::fromString(ItemText(table, row, column), QStringLiteral("yyyy-MM-dd"));
        if (shown.isValid())
            return shown.toString(LedgerDateFormat);
    }
    if (widget && layout->comboColumns.contains(column)) {
        if (const auto *combo = qobject_cast<const QComboBox *>(widget))
            return combo->currentText();
    }
    // Pages whose rows hold plain items (stock, statistics, profit).
    return ItemText(table, row, column);
}

} // namespace

bool ExcelEngine::ReadIntoTable(QTableWidget *table)
{
    if (!table)
        return Fail(QStringLiteral("没有目标表格"));
    QVector<QStringList> rows;
    if (!ReadRows(&rows))
        return false;
    int at = 0;
    for (const QStringList &cells : rows) {
        if (cells.isEmpty())
            continue; // a blank row
        table->insertRow(at);
        // Columns the table does not have are dropped.
        const int count = qMin(cells.size(), table->columnCount());
        for (int c = 0; c < count; ++c)
            table->setItem(at, c, new QTableWidgetItem(cells.at(c)));
        ++at;
    }
    return true;
}

bool ExcelEngine::WriteTable(QTableWidget *table)
{
    if (!table)
        return Fail(QStringLiteral("没有要导出的表格"));
    if (!m_isOpen)
        return Fail(QStringLiteral("工作簿没有打开"));
    bool ok = true;
    for (int c = 0; c < table->columnCount(); ++c) {
        if (const QTableWidgetItem *header = table->horizontalHeaderItem(c))
            ok = SetCellData(1, c + 1, header->text()) && ok;
    }
    for (int r = 0; r < table->rowCount(); ++r) {
        for (int c = 0; c < table->columnCount(); ++c) {
            if (const QTableWidgetItem *item = table->item(r, c))
                ok = SetCellData(r + 2, c + 1, item->text()) && ok;
        }
    }
    const QString cellError = m_error;
    if (!Save())
        return false;
    if (!ok)
        m_error = cellError;
    return ok;
}

void ExcelEngine::LedgerTableCells(int kind, const QTableWidget *table, QStringList *header,
                                   QVector<QStringList> *rows)
{
    if (!table)
        return;
    const LedgerWidgetColumns *layout = nullptr;
    for (const LedgerWidgetColumns &l : LedgerLayouts) {
        if (l.kind == kind)
            layout = &l;
    }
    for (int c = 0; c < table->columnCount(); ++c) {
        const QTableWidgetItem *item = table->horizontalHeaderItem(c);
        *header << (item ? item->text() : QString());
    }
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c)
            cells << LedgerCellText(layout, table, r, c);
        rows->append(cells);
    }
}

bool ExcelEngine::WriteLedgerTable(int kind, QTableWidget *table)
{
    if (!table)
        return Fail(QStringLiteral("没有要导出的表格"));
    QStringList header;
    QVector<QStringList> rows;
    LedgerTableCells(kind, table, &header, &rows);
    return WriteRows(header, rows);
}
