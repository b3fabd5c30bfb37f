#pragma once

#include "db/records.h"

#include <QDate>
#include <QHash>
#include <QObject>
#include <QPersistentModelIndex>
#include <QStringList>
#include <functional>

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

// Turning records into table rows with their cell editors and back.
namespace LedgerRows {

// Computed: a row of a computed page, read-only items with the record's
// values only (no editors, no placeholder texts or dates).
enum Mode : int { NewRow = 1, ShowRecord = 2, Computed = 3 };

// Called for every combo and date editor a fill creates, so the caller can
// wire it; the editor already sits in its cell.
using EditorHook = std::function<void(QWidget *editor)>;

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
// table grows to hold the row.
void FillGoodsRow(int mode, int row, const GoodsRecord &record, QTableWidget *table,
                  const RowChoices &choices, const EditorHook &hook = {});
// The same for a finance-style table (9 columns).
void FillFinanceRow(int mode, int row, const FinanceRecord &record, QTableWidget *table,
                    const RowChoices &choices, const EditorHook &hook = {});

// The same rows with plain items only: the combo and date cells hold the
// texts their editors will show, and the row waits for BuildRowEditors.
// A row reads the same (CellText, ReadGoodsRow) before and after.
void FillGoodsItems(int mode, int row, const GoodsRecord &record, QTableWidget *table);
void FillFinanceItems(int mode, int row, const FinanceRecord &record, QTableWidget *table);
bool EditorsWaiting(const QTableWidget *table, int row);
// Turns a waiting row's combo and date cells into their editors. False when
// the row was not waiting.
bool BuildRowEditors(QTableWidget *table, int row, const RowChoices &choices,
                     const EditorHook &hook = {});
// Turns a row's editors back into items holding their texts; the row waits
// again. False when the row has no editors of a known layout.
bool ReleaseRowEditors(QTableWidget *table, int row);

// What a row read found besides the record.
struct ReadOutcome
{
    bool read = false;     // false: no such row
    bool refused = false;  // a number cell held something else and was emptied
};

// Reads a goods row into record, empties number cells that hold something
// else (blanks only included), and derives and writes back the amounts
// (RowAmounts::Derive): changedColumn is the amount column the user just
// typed into, whose followers are recomputed; -1 or any other column only
// fills the missing amounts. After a refused cell the row is derived from what
// is left as if nothing was typed. Writes into the table happen with its
// signals blocked: the caller saves.
ReadOutcome ReadGoodsRow(int row, int kind, GoodsRecord &record, QTableWidget *table,
                         int changedColumn = -1);
ReadOutcome ReadFinanceRow(int row, int kind, FinanceRecord &record, QTableWidget *table);

// The row's texts as they stand, without checks or write-back.
bool PeekGoodsRow(int row, int kind, GoodsRecord &record, const QTableWidget *table);
bool PeekFinanceRow(int row, int kind, FinanceRecord &record, const QTableWidget *table);

// The text of a cell: an editor's current text (combo, date as yyyy-MM-dd)
// or the item's text.
QString CellText(const QTableWidget *table, int row, int column);

// The table an editor sits in and the row it is in now (rows above it may
// have been removed since it was built). False when it is in no table.
bool EditorCell(QWidget *editor, QTableWidget **table, int *row, int *column);

// Whether the text is a number; when it is not and it is not empty, the box
// "请输入数字" is shown unless silent.
bool CheckNumber(const QString &text, bool silent, QWidget *parent);
void ShowNumberWarning(QWidget *parent);

} // namespace LedgerRows

// Gives the waiting rows of watched tables their editors once they come into
// view, and takes them back from rows far out of view: nine editors a row
// cost far too much to keep for a page of thousands of rows.
class InViewEditors : public QObject
{
    Q_OBJECT
public:
    explicit InViewEditors(QObject *parent = nullptr);

    // The choices and wiring the table's editors get from now on.
    void Watch(QTableWidget *table, const RowChoices &choices,
               const LedgerRows::EditorHook &hook = {});
    // Builds the editors of the waiting rows in view now; how many rows got them.
    // Rows it built that are far out of view get items again.
    int BuildInView(QTableWidget *table);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void customEvent(QEvent *event) override;

private:
    struct Watched
    {
        RowChoices choices;
        LedgerRows::EditorHook hook;
        QList<QPersistentModelIndex> built;
        bool requested = false;
    };
    void Request(QTableWidget *table);
    void ReleaseOutside(QTableWidget *table, QList<QPersistentModelIndex> *built, int first,
                        int last);
    bool WaitingInView(QTableWidget *table) const;

    QHash<QTableWidget *, Watched> m_tables;
};
