#pragma once

#include "db/records.h"
#include "ledger/pagetotals.h"

#include <QDate>
#include <QStringList>
#include <QTableWidgetItem>

class ListSource;
class QTableWidget;
class QWidget;

// Choices of the cell combos, read once per fill rather than once per cell.
struct RowChoices
{
    QStringList classes;
    QStringList names;
    QStringList models;
    QStringList colours;
    QStringList sizes;
    QStringList employees;
    QStringList customers;
    QStringList distributors;
    QStringList suppliers;

    static RowChoices Read(const ListSource &source);
};

// The item of a row's serial cell. Besides the serial it keeps the row's
// layout (which cells are combos and dates) and what the row last added to
// its page's totals, so an edit adjusts the totals without a full pass.
class SerialItem : public QTableWidgetItem
{
public:
    static constexpr int ItemType = QTableWidgetItem::UserType + 1;
    SerialItem(const QString &text, int layout) : QTableWidgetItem(text, ItemType), layout(layout) {}
    QTableWidgetItem *clone() const override { return new SerialItem(*this); }

    int layout;
    bool counted = false; // sums are part of the page's running totals
    PageTotals::RowSums sums;
};

// Turning records into table rows and back. Rows hold items only; the combo
// and date editors are made by the table's delegate for the cell being edited.
namespace LedgerRows {

// Computed: a row of a computed page, read-only items with the record's
// values only (no editors, no placeholder texts or dates).
enum Mode : int { NewRow = 1, ShowRecord = 2, Computed = 3 };

// The editor a cell gets.
enum class Editor { None, Combo, Date };

// Fixed choices of the finance item column.
const QStringList &FinanceItems();
QString DateEditStyle();
QString ComboStyle();
// Both, set once on the table's viewport where the editors live.
QString EditorStyleSheet();
// Date fallback of a stored date that is not year-month-day.
QDate FallbackDate();

// Builds row `row` of a goods-style table (19 columns). NewRow: serial now,
// date today, everything else empty. ShowRecord: the record's texts; the
// table grows to hold the row. Combo and date cells hold the texts their
// editors show.
void FillGoodsRow(int mode, int row, const GoodsRecord &record, QTableWidget *table);
// The same for a finance-style table (9 columns).
void FillFinanceRow(int mode, int row, const FinanceRecord &record, QTableWidget *table);

SerialItem *SerialAt(const QTableWidget *table, int row);
// Which editor the cell gets, by the layout its row was filled with.
Editor EditorAt(const QTableWidget *table, int row, int column);
// The choices a combo cell offers.
QStringList ChoicesAt(const QTableWidget *table, int row, int column, const RowChoices &choices);

// What a row read found besides the record.
struct ReadOutcome
{
    bool read = false;    // false: no such row
    bool refused = false; // a number cell held something else and was emptied
};

// Reads a goods row into record, empties number cells that hold something
// else (blanks only included), and derives and writes back the amounts
// (RowAmounts::Derive): changedColumn is the amount column the user just
// typed into, whose followers are recomputed; -1 or any other column only
// fills the missing amounts. After a refused cell the row is derived from what
// is left as if nothing was typed. Writes into the table happen with its
// signals blocked: the caller saves.
ReadOutcome ReadGoodsRow(int row, int kind, GoodsRecord &record, QTableWidget *table, int changedColumn = -1);
ReadOutcome ReadFinanceRow(int row, int kind, FinanceRecord &record, QTableWidget *table);

// The row's texts as they stand, without checks or write-back.
bool PeekGoodsRow(int row, int kind, GoodsRecord &record, const QTableWidget *table);
bool PeekFinanceRow(int row, int kind, FinanceRecord &record, const QTableWidget *table);

// The text of a cell's item (an open editor writes its value through at once).
QString CellText(const QTableWidget *table, int row, int column);

// Whether the text is a number; when it is not and it is not empty, the box
// "请输入数字" is shown unless silent.
bool CheckNumber(const QString &text, bool silent, QWidget *parent);
void ShowNumberWarning(QWidget *parent);

} // namespace LedgerRows
