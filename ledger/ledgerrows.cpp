#include "ledger/ledgerrows.h"

#include "db/numbertext.h"
#include "ledger/listsource.h"
#include "ledger/rowamounts.h"
#include "widgets/modalseam.h"

#include <QDateTime>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QTableWidget>

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

namespace GoodsCol {
enum : int {
    Serial = 0,
    Class = 1,
    Name = 2,
    Model = 3,
    Colour = 4,
    Code = 5,
    Size = 6,
    Date = 7,
    Store = 8,
    Num = 9,
    Price = 10,
    Total = 11,
    Pay = 12,
    Debt = 13,
    Supply = 14,
    Purchase = 15,
    OddNum = 16,
    Record = 17,
    Remark = 18
};
}
namespace FinanceCol {
enum : int {
    Serial = 0,
    Item = 1,
    Sum = 2,
    Date = 3,
    Client = 4,
    Sale = 5,
    Cert = 6,
    Record = 7,
    Remark = 8
};
}

// A new row's serial is its creation time, and the store finds a row by its
// serial: two rows made within one millisecond (a quick double click on 增加)
// would share one, and the second save would overwrite the first. Serials
// handed out here therefore always move forward. Rows are made on the GUI
// thread only.
QString Now()
{
    static QDateTime last;
    QDateTime now = QDateTime::currentDateTime();
    if (last.isValid() && now <= last)
        now = last.addMSecs(1);
    last = now;
    return now.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss:zzz"));
}

// Writes a derived or emptied value back; creating the item when the cell has none.
void WriteBack(QTableWidget *table, int row, int column, const QString &text)
{
    QTableWidgetItem *item = table->item(row, column);
    if (item) {
        if (item->text() != text)
            item->setText(text);
    } else {
        table->setItem(row, column, new QTableWidgetItem(text));
    }
}

using ChoicePick = QStringList (*)(const RowChoices &choices, const QString &tableName);

struct ComboColumn
{
    int column;
    ChoicePick choices;
};

// Where a row style keeps its editors and read-only items.
struct RowLayout
{
    int id;
    int columns;
    int dateColumn;
    int amountColumn; // a figure even when it reads as a new record's placeholder
    QVector<ComboColumn> combos;
    QVector<int> readOnly;

    const ComboColumn *Combo(int column) const
    {
        for (const ComboColumn &c : combos) {
            if (c.column == column)
                return &c;
        }
        return nullptr;
    }
};

bool IsPurchaseTable(const QString &name)
{
    return name.contains(QLatin1String("tab_purchaseIn")) || name.contains(QLatin1String("tab_purchaseBack"));
}

bool IsSaleTable(const QString &name)
{
    return name.contains(QLatin1String("tab_saleout")) || name.contains(QLatin1String("tab_saleback"));
}

const RowLayout &GoodsLayout()
{
    static const RowLayout layout{
        1,
        GoodsRecord::TextCount,
        GoodsCol::Date,
        GoodsCol::Total,
        {{GoodsCol::Class, [](const RowChoices &c, const QString &) { return c.classes; }},
         {GoodsCol::Name, [](const RowChoices &c, const QString &) { return c.names; }},
         {GoodsCol::Model, [](const RowChoices &c, const QString &) { return c.models; }},
         {GoodsCol::Colour, [](const RowChoices &c, const QString &) { return c.colours; }},
         {GoodsCol::Size, [](const RowChoices &c, const QString &) { return c.sizes; }},
         {GoodsCol::Supply,
          [](const RowChoices &c, const QString &t) {
              return IsPurchaseTable(t) ? c.suppliers : IsSaleTable(t) ? c.customers : c.employees;
          }},
         {GoodsCol::Purchase,
          [](const RowChoices &c, const QString &t) {
              return IsSaleTable(t) ? c.employees + c.distributors : c.employees;
          }},
         {GoodsCol::Record, [](const RowChoices &c, const QString &) { return c.employees; }}},
        {GoodsCol::Serial, GoodsCol::Store}};
    return layout;
}

const RowLayout &FinanceLayout()
{
    static const RowLayout layout{
        2,
        FinanceRecord::TextCount,
        FinanceCol::Date,
        FinanceCol::Sum,
        {{FinanceCol::Item, [](const RowChoices &, const QString &) { return LedgerRows::FinanceItems(); }},
         {FinanceCol::Client,
          [](const RowChoices &c, const QString &t) {
              return t.contains(QLatin1String("tab_salary")) ? c.employees : c.customers;
          }},
         {FinanceCol::Sale, [](const RowChoices &c, const QString &) { return c.employees; }},
         {FinanceCol::Record, [](const RowChoices &c, const QString &) { return c.employees; }}},
        {FinanceCol::Serial}};
    return layout;
}

const RowLayout *LayoutOf(int id)
{
    for (const RowLayout *layout : {&GoodsLayout(), &FinanceLayout()}) {
        if (layout->id == id)
            return layout;
    }
    return nullptr;
}

QDate ParseStoredDate(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('-'));
    if (parts.size() != 3)
        return QDate();
    return QDate(parts.at(0).toInt(), parts.at(1).toInt(), parts.at(2).toInt());
}

// The date a row's editor shows.
QDate ShownDate(int mode, const QString &stored)
{
    const QDate date = mode == LedgerRows::NewRow ? QDate::currentDate() : ParseStoredDate(stored);
    return date.isValid() ? date : LedgerRows::FallbackDate();
}

void PrepareRow(QTableWidget *table, int mode, int row)
{
    // The editor's look cascades from the viewport, set once per table.
    static const QString sheet = LedgerRows::EditorStyleSheet();
    if (table->viewport()->styleSheet() != sheet)
        table->viewport()->setStyleSheet(sheet);
    if (mode == LedgerRows::ShowRecord && table->rowCount() < row + 1)
        table->setRowCount(row + 1);
}

template <typename Record>
bool PlaceItems(int mode, int row, const Record &record, QTableWidget *table, const RowLayout &layout)
{
    if (!table || row < 0 || table->columnCount() < layout.columns)
        return false;
    PrepareRow(table, mode, row);
    if (row >= table->rowCount())
        return false;
    const bool computed = mode == LedgerRows::Computed;
    const bool show = mode == LedgerRows::ShowRecord || computed;
    // A computed record leaves the fields it has no value for as a new record
    // holds them; those placeholders are no figures and stay blank.
    static const Record blank;
    for (int c = 0; c < layout.columns; ++c) {
        QString text;
        if (computed) {
            const bool placeholder = c != layout.amountColumn && record.text(c) == blank.text(c);
            if (c == layout.dateColumn)
                text = ParseStoredDate(record.time).isValid() ? record.time : QString();
            else if (!placeholder)
                text = record.text(c);
        } else if (c == 0) {
            text = (!show || record.serial.isEmpty()) ? Now() : record.serial;
        } else if (c == layout.dateColumn) {
            text = ShownDate(mode, record.time).toString(kDateFormat);
        } else if (show) {
            text = record.text(c);
        }
        // A computed row is plain read-only text: no editors, no share of totals kept.
        QTableWidgetItem *item =
            c == 0 && !computed ? new SerialItem(text, layout.id) : new QTableWidgetItem(text);
        if (computed || layout.readOnly.contains(c))
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        table->setItem(row, c, item);
    }
    return true;
}

bool HasRow(const QTableWidget *table, int row) { return table && row >= 0 && row < table->rowCount(); }

} // namespace

RowChoices RowChoices::Read(const ListSource &source)
{
    RowChoices c;
    c.classes = source.Choices(InfoStore::MasterData, ListNo::GoodsClass);
    c.names = source.Choices(InfoStore::MasterData, ListNo::GoodsName);
    c.models = source.Choices(InfoStore::MasterData, ListNo::GoodsModel);
    c.colours = source.Choices(InfoStore::MasterData, ListNo::GoodsColor);
    c.sizes = source.Choices(InfoStore::MasterData, ListNo::GoodsSize);
    c.employees = source.Choices(InfoStore::People, ListNo::Employees);
    c.customers = source.Choices(InfoStore::People, ListNo::Customers);
    c.distributors = source.Choices(InfoStore::People, ListNo::Distributors);
    c.suppliers = source.Choices(InfoStore::People, ListNo::Suppliers);
    return c;
}

namespace LedgerRows {

const QStringList &FinanceItems()
{
    static const QStringList items = {
        QStringLiteral("销售收款"), QStringLiteral("销售欠款"), QStringLiteral("销售提成"),
        QStringLiteral("采购付款"), QStringLiteral("工资款"),   QStringLiteral("员工奖金"),
        QStringLiteral("水电款"),   QStringLiteral("租金款"),   QStringLiteral("活动费"),
        QStringLiteral("办公用品"), QStringLiteral("其它款项")};
    return items;
}

QString DateEditStyle()
{
    return QStringLiteral("QDateTimeEdit{border:1px solid gray; height:24px; }"
                          "QDateTimeEdit::down-arrow{image:url(:/backg/backg/calendar.png);}"
                          "QDateTimeEdit::drop-down{width:30px; border:0px solid red;                   "
                          "subcontrol-origin: padding;subcontrol-position: top right;}"
                          "QDateTimeEdit{background:transparent;}");
}

QString ComboStyle() { return QStringLiteral("QComboBox{background:transparent;};QComboBox::drop-down{}"); }

QString EditorStyleSheet()
{
    // The combo text leaves its drop-down without a look of its own, which the
    // Fusion style paints black; this rule has to come first, since the stray
    // ";" in the combo text ends what the parser reads of it.
    static const QString comboDropDown =
        QStringLiteral("QComboBox::drop-down{subcontrol-origin:padding; subcontrol-position:top right; "
                       "width:16px; border:0px; background:white;}"
                       "QComboBox::down-arrow{image:url(:/backg/backg/combo_arrow.png);}");
    return DateEditStyle() + comboDropDown + ComboStyle();
}

QDate FallbackDate() { return QDate(2000, 1, 1); }

void FillGoodsRow(int mode, int row, const GoodsRecord &record, QTableWidget *table)
{
    PlaceItems(mode, row, record, table, GoodsLayout());
}

void FillFinanceRow(int mode, int row, const FinanceRecord &record, QTableWidget *table)
{
    PlaceItems(mode, row, record, table, FinanceLayout());
}

SerialItem *SerialAt(const QTableWidget *table, int row)
{
    QTableWidgetItem *item = HasRow(table, row) ? table->item(row, 0) : nullptr;
    return item && item->type() == SerialItem::ItemType ? static_cast<SerialItem *>(item) : nullptr;
}

Editor EditorAt(const QTableWidget *table, int row, int column)
{
    const SerialItem *serial = SerialAt(table, row);
    const RowLayout *layout = serial ? LayoutOf(serial->layout) : nullptr;
    if (!layout)
        return Editor::None;
    if (column == layout->dateColumn)
        return Editor::Date;
    return layout->Combo(column) ? Editor::Combo : Editor::None;
}

QStringList ChoicesAt(const QTableWidget *table, int row, int column, const RowChoices &choices)
{
    const SerialItem *serial = SerialAt(table, row);
    const RowLayout *layout = serial ? LayoutOf(serial->layout) : nullptr;
    const ComboColumn *combo = layout ? layout->Combo(column) : nullptr;
    return combo ? combo->choices(choices, table->objectName()) : QStringList();
}

QString CellText(const QTableWidget *table, int row, int column)
{
    const QTableWidgetItem *item = table->item(row, column);
    return item ? item->text() : QString();
}

bool PeekGoodsRow(int row, int kind, GoodsRecord &record, const QTableWidget *table)
{
    if (!HasRow(table, row) || table->columnCount() < GoodsRecord::TextCount)
        return false;
    record.tabType = kind;
    for (int c = 0; c < GoodsRecord::TextCount; ++c)
        record.setText(c, CellText(table, row, c));
    return true;
}

bool PeekFinanceRow(int row, int kind, FinanceRecord &record, const QTableWidget *table)
{
    if (!HasRow(table, row) || table->columnCount() < FinanceRecord::TextCount)
        return false;
    record.tabType = kind;
    for (int c = 0; c < FinanceRecord::TextCount; ++c)
        record.setText(c, CellText(table, row, c));
    return true;
}

ReadOutcome ReadGoodsRow(int row, int kind, GoodsRecord &record, QTableWidget *table, int changedColumn)
{
    ReadOutcome outcome;
    if (!PeekGoodsRow(row, kind, record, table))
        return outcome;
    outcome.read = true;

    const QSignalBlocker blocker(table);
    RowAmounts::Goods amounts{record.num, record.price, record.total, record.pay, record.debt};
    QString *cells[] = {&amounts.num, &amounts.price, &amounts.total, &amounts.pay, &amounts.debt};
    for (int i = 0; i < 5; ++i) {
        if (RowAmounts::IsRefused(*cells[i])) {
            cells[i]->clear();
            WriteBack(table, row, GoodsCol::Num + i, QString());
            outcome.refused = true;
        }
    }
    // A refused cell was no input: the row is derived from what is left.
    const RowAmounts::Changed changed =
        outcome.refused ? RowAmounts::Changed::None : RowAmounts::ChangedOfColumn(changedColumn);
    const RowAmounts::Goods derived = RowAmounts::Derive(amounts, changed);
    const QString *after[] = {&derived.num, &derived.price, &derived.total, &derived.pay, &derived.debt};
    for (int i = 0; i < 5; ++i) {
        if (*after[i] != *cells[i])
            WriteBack(table, row, GoodsCol::Num + i, *after[i]);
    }
    record.num = derived.num;
    record.price = derived.price;
    record.total = derived.total;
    record.pay = derived.pay;
    record.debt = derived.debt;
    return outcome;
}

ReadOutcome ReadFinanceRow(int row, int kind, FinanceRecord &record, QTableWidget *table)
{
    ReadOutcome outcome;
    if (!PeekFinanceRow(row, kind, record, table))
        return outcome;
    outcome.read = true;
    if (RowAmounts::IsRefused(record.sum)) {
        const QSignalBlocker blocker(table);
        record.sum.clear();
        WriteBack(table, row, FinanceCol::Sum, QString());
        outcome.refused = true;
    }
    return outcome;
}

void ShowNumberWarning(QWidget *parent)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("输入错误"), QStringLiteral("请输入数字"),
                    QMessageBox::Ok, parent);
    ModalSeam::Exec(box);
}

bool CheckNumber(const QString &text, bool silent, QWidget *parent)
{
    if (NumberText::IsNumber(text))
        return true;
    if (!silent && !text.isEmpty())
        ShowNumberWarning(parent);
    return false;
}

} // namespace LedgerRows
