// The cells a ledger page exports, read from its table widget; kept out of the core library.
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
