#include "ledger/ledgerrows.h"

#include "app/modalseam.h"
#include "db/numbertext.h"
#include "ledger/listsource.h"
#include "ledger/rowamounts.h"
#include "masterdata/comboxboxspec.h"

#include <QDateEdit>
#include <QDateTime>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QTableWidget>

namespace {

const char *const kColumnProperty = "ledgerColumn";
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

namespace GoodsCol {
enum : int { Serial = 0, Class = 1, Name = 2, Model = 3, Colour = 4, Code = 5, Size = 6, Date = 7,
             Store = 8, Num = 9, Price = 10, Total = 11, Pay = 12, Debt = 13, Supply = 14,
             Purchase = 15, OddNum = 16, Record = 17, Remark = 18 };
}
namespace FinanceCol {
enum : int { Serial = 0, Item = 1, Sum = 2, Date = 3, Client = 4, Sale = 5, Cert = 6, Record = 7,
             Remark = 8 };
}

QString Now()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss:zzz"));
}

QString EditorName(const QTableWidget *table, int row)
{
    return table->objectName() + QLatin1Char('.') + QString::number(row);
}

void SetText(QTableWidget *table, int row, int column, const QString &text, bool editable = true)
{
    auto *item = new QTableWidgetItem(text);
    if (!editable)
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    table->setItem(row, column, item);
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

void PlaceCombo(QTableWidget *table, int row, int column, const QStringList &choices,
                const QString &text, const LedgerRows::EditorHook &hook)
{
    auto *box = new ComboxBoxSpec;
    box->setEditable(true);
    box->addItems(choices);
    // A new row starts empty rather than on the first choice.
    const int index = text.isEmpty() ? -1 : box->findText(text);
    box->setCurrentIndex(index);
    if (index < 0)
        box->setEditText(text);
    box->setObjectName(EditorName(table, row));
    box->setProperty(kColumnProperty, column);
    table->setCellWidget(row, column, box);
    if (hook)
        hook(box);
}

QDate ParseStoredDate(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('-'));
    if (parts.size() != 3)
        return QDate();
    return QDate(parts.at(0).toInt(), parts.at(1).toInt(), parts.at(2).toInt());
}

void PlaceDate(QTableWidget *table, int row, int column, int mode, const QString &text,
               const LedgerRows::EditorHook &hook)
{
    auto *edit = new QDateEdit;
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(kDateFormat);
    QDate date = mode == LedgerRows::NewRow ? QDate::currentDate() : ParseStoredDate(text);
    if (!date.isValid())
        date = LedgerRows::FallbackDate();
    edit->setDate(date);
    edit->setObjectName(EditorName(table, row));
    edit->setProperty(kColumnProperty, column);
    table->setCellWidget(row, column, edit);
    if (hook)
        hook(edit);
}

void PlaceSerial(QTableWidget *table, int mode, int row, const QString &serial)
{
    const QString text = (mode == LedgerRows::NewRow || serial.isEmpty()) ? Now() : serial;
    SetText(table, row, 0, text, false);
}

void PrepareRow(QTableWidget *table, int mode, int row)
{
    // The editors' looks cascade from the viewport: a style sheet of its own on
    // every editor costs each of them a style object, far too much on big pages.
    const QString sheet = LedgerRows::EditorStyleSheet();
    if (table->viewport()->styleSheet() != sheet)
        table->viewport()->setStyleSheet(sheet);
    if (mode == LedgerRows::ShowRecord && table->rowCount() < row + 1)
        table->setRowCount(row + 1);
}

bool HasRow(const QTableWidget *table, int row)
{
    return table && row >= 0 && row < table->rowCount();
}

} // namespace

RowChoices RowChoices::Read(const ListSource &source)
{
    RowChoices c;
    c.classes = source.Choices(InfoStore::MasterData, ListNo::Classes);
    c.names = source.Choices(InfoStore::MasterData, ListNo::Names);
    c.models = source.Choices(InfoStore::MasterData, ListNo::Models);
    c.colours = source.Choices(InfoStore::MasterData, ListNo::Colours);
    c.sizes = source.Choices(InfoStore::MasterData, ListNo::Sizes);
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

QString ComboStyle()
{
    return QStringLiteral("QComboBox{background:transparent;};QComboBox::drop-down{}");
}

QString EditorStyleSheet()
{
    return DateEditStyle() + ComboStyle();
}

QDate FallbackDate()
{
    return QDate(2000, 1, 1);
}

void FillGoodsRow(int mode, int row, const GoodsRecord &record, QTableWidget *table,
                  const RowChoices &choices, const EditorHook &hook)
{
    if (!table || row < 0 || table->columnCount() < GoodsRecord::TextCount)
        return;
    PrepareRow(table, mode, row);
    if (row >= table->rowCount())
        return;
    const bool show = mode == ShowRecord;
    auto field = [&](int column) { return show ? record.text(column) : QString(); };

    PlaceSerial(table, mode, row, record.serial);
    PlaceCombo(table, row, GoodsCol::Class, choices.classes, field(GoodsCol::Class), hook);
    PlaceCombo(table, row, GoodsCol::Name, choices.names, field(GoodsCol::Name), hook);
    PlaceCombo(table, row, GoodsCol::Model, choices.models, field(GoodsCol::Model), hook);
    PlaceCombo(table, row, GoodsCol::Colour, choices.colours, field(GoodsCol::Colour), hook);
    PlaceCombo(table, row, GoodsCol::Size, choices.sizes, field(GoodsCol::Size), hook);
    for (int column : {int(GoodsCol::Code), int(GoodsCol::Num), int(GoodsCol::Price),
                       int(GoodsCol::Total), int(GoodsCol::Pay), int(GoodsCol::Debt),
                       int(GoodsCol::OddNum), int(GoodsCol::Remark)})
        SetText(table, row, column, field(column));
    PlaceDate(table, row, GoodsCol::Date, mode, record.time, hook);
    SetText(table, row, GoodsCol::Store, field(GoodsCol::Store), false);

    const QString name = table->objectName();
    const bool purchase = name.contains(QLatin1String("tab_purchaseIn"))
        || name.contains(QLatin1String("tab_purchaseBack"));
    const bool sale = name.contains(QLatin1String("tab_saleout"))
        || name.contains(QLatin1String("tab_saleback"));
    const QStringList &supply = purchase ? choices.suppliers
        : sale ? choices.customers : choices.employees;
    PlaceCombo(table, row, GoodsCol::Supply, supply, field(GoodsCol::Supply), hook);
    PlaceCombo(table, row, GoodsCol::Purchase,
               sale ? choices.employees + choices.distributors : choices.employees,
               field(GoodsCol::Purchase), hook);
    PlaceCombo(table, row, GoodsCol::Record, choices.employees, field(GoodsCol::Record), hook);
}

void FillFinanceRow(int mode, int row, const FinanceRecord &record, QTableWidget *table,
                    const RowChoices &choices, const EditorHook &hook)
{
    if (!table || row < 0 || table->columnCount() < FinanceRecord::TextCount)
        return;
    PrepareRow(table, mode, row);
    if (row >= table->rowCount())
        return;
    const bool show = mode == ShowRecord;
    auto field = [&](int column) { return show ? record.text(column) : QString(); };

    PlaceSerial(table, mode, row, record.serial);
    PlaceCombo(table, row, FinanceCol::Item, FinanceItems(), field(FinanceCol::Item), hook);
    SetText(table, row, FinanceCol::Sum, field(FinanceCol::Sum));
    PlaceDate(table, row, FinanceCol::Date, mode, record.time, hook);
    const bool salary = table->objectName().contains(QLatin1String("tab_salary"));
    PlaceCombo(table, row, FinanceCol::Client, salary ? choices.employees : choices.customers,
               field(FinanceCol::Client), hook);
    PlaceCombo(table, row, FinanceCol::Sale, choices.employees, field(FinanceCol::Sale), hook);
    SetText(table, row, FinanceCol::Cert, field(FinanceCol::Cert));
    PlaceCombo(table, row, FinanceCol::Record, choices.employees, field(FinanceCol::Record), hook);
    SetText(table, row, FinanceCol::Remark, field(FinanceCol::Remark));
}

QString CellText(const QTableWidget *table, int row, int column)
{
    if (QWidget *w = table->cellWidget(row, column)) {
        if (auto *box = qobject_cast<QComboBox *>(w))
            return box->currentText();
        if (auto *edit = qobject_cast<QDateEdit *>(w))
            return edit->date().toString(kDateFormat);
    }
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

ReadOutcome ReadGoodsRow(int row, int kind, GoodsRecord &record, QTableWidget *table)
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
    if (!outcome.refused) {
        const RowAmounts::Goods derived = RowAmounts::Derive(amounts);
        const QString *after[] = {&derived.num, &derived.price, &derived.total, &derived.pay,
                                  &derived.debt};
        for (int i = 0; i < 5; ++i) {
            if (*after[i] != *cells[i])
                WriteBack(table, row, GoodsCol::Num + i, *after[i]);
        }
        amounts = derived;
    }
    record.num = amounts.num;
    record.price = amounts.price;
    record.total = amounts.total;
    record.pay = amounts.pay;
    record.debt = amounts.debt;
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

bool EditorCell(QWidget *editor, QTableWidget **table, int *row, int *column)
{
    if (!editor)
        return false;
    QTableWidget *owner = nullptr;
    for (QWidget *w = editor->parentWidget(); w && !owner; w = w->parentWidget())
        owner = qobject_cast<QTableWidget *>(w);
    bool ok = false;
    const int col = editor->property(kColumnProperty).toInt(&ok);
    if (!owner || !ok)
        return false;
    // Where it is drawn is the quick answer; the scan covers a table not laid out yet.
    int found = owner->indexAt(editor->geometry().center()).row();
    if (found < 0 || owner->cellWidget(found, col) != editor) {
        found = -1;
        for (int r = 0; r < owner->rowCount(); ++r) {
            if (owner->cellWidget(r, col) == editor) {
                found = r;
                break;
            }
        }
    }
    if (found < 0)
        return false;
    if (table)
        *table = owner;
    if (row)
        *row = found;
    if (column)
        *column = col;
    return true;
}

void ShowNumberWarning(QWidget *parent)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("输入错误"),
                    QStringLiteral("请输入数字"), QMessageBox::Ok, parent);
    ModalSeam::Exec(box);
}

bool CheckNumber(const QString &text, bool silent, QWidget *parent)
{
    if (NumberText::IsNumber(text))
        return true;
    if (!silent && !text.trimmed().isEmpty())
        ShowNumberWarning(parent);
    return false;
}

} // namespace LedgerRows
