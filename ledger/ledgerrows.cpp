#include "ledger/ledgerrows.h"

#include "app/modalseam.h"
#include "db/numbertext.h"
#include "ledger/listsource.h"
#include "ledger/rowamounts.h"
#include "masterdata/comboxboxspec.h"

#include <QApplication>
#include <QDateEdit>
#include <QDateTime>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QScrollBar>
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

// Roles on a row's serial item: the row number it was built as (its editors
// are named after it, whenever they are made), its layout, and whether its
// editors wait to be made.
constexpr int kBuiltRowRole = Qt::UserRole + 1;
constexpr int kLayoutRole = Qt::UserRole + 2;
constexpr int kWaitingRole = Qt::UserRole + 3;

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
    int amountColumn;  // a figure even when it reads as a new record's placeholder
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
    bool IsEditor(int column) const { return column == dateColumn || Combo(column); }
};

bool IsPurchaseTable(const QString &name)
{
    return name.contains(QLatin1String("tab_purchaseIn"))
        || name.contains(QLatin1String("tab_purchaseBack"));
}

bool IsSaleTable(const QString &name)
{
    return name.contains(QLatin1String("tab_saleout")) || name.contains(QLatin1String("tab_saleback"));
}

const RowLayout &GoodsLayout()
{
    static const RowLayout layout{
        1, GoodsRecord::TextCount, GoodsCol::Date, GoodsCol::Total,
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
        2, FinanceRecord::TextCount, FinanceCol::Date, FinanceCol::Sum,
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

void PlaceCombo(QTableWidget *table, int row, int column, const QString &name,
                const QStringList &choices, const QString &text, const LedgerRows::EditorHook &hook)
{
    auto *box = new ComboxBoxSpec;
    box->setEditable(true);
    box->addItems(choices);
    // A new row starts empty rather than on the first choice.
    const int index = text.isEmpty() ? -1 : box->findText(text);
    box->setCurrentIndex(index);
    if (index < 0)
        box->setEditText(text);
    box->setObjectName(name);
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

// The date a row's editor shows.
QDate ShownDate(int mode, const QString &stored)
{
    const QDate date = mode == LedgerRows::NewRow ? QDate::currentDate() : ParseStoredDate(stored);
    return date.isValid() ? date : LedgerRows::FallbackDate();
}

void PlaceDate(QTableWidget *table, int row, int column, const QString &name, const QDate &date,
               const LedgerRows::EditorHook &hook)
{
    auto *edit = new QDateEdit;
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(kDateFormat);
    edit->setDate(date);
    edit->setObjectName(name);
    edit->setProperty(kColumnProperty, column);
    table->setCellWidget(row, column, edit);
    if (hook)
        hook(edit);
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
        auto *item = new QTableWidgetItem(text);
        // Editor cells are typed into through their editors only.
        if (computed || layout.readOnly.contains(c) || layout.IsEditor(c))
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        if (c == 0) {
            item->setData(kBuiltRowRole, row);
            item->setData(kLayoutRole, layout.id);
            if (!computed)
                item->setData(kWaitingRole, true);
        }
        table->setItem(row, c, item);
    }
    return true;
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
    // The combo text leaves its drop-down without a look of its own, which the
    // Fusion style paints black; this rule has to come first, since the stray
    // ";" in the combo text ends what the parser reads of it.
    static const QString comboDropDown = QStringLiteral(
        "QComboBox::drop-down{subcontrol-origin:padding; subcontrol-position:top right; "
        "width:16px; border:0px; background:white;}"
        "QComboBox::down-arrow{image:url(:/backg/backg/combo_arrow.png);}");
    return DateEditStyle() + comboDropDown + ComboStyle();
}

QDate FallbackDate()
{
    return QDate(2000, 1, 1);
}

void FillGoodsItems(int mode, int row, const GoodsRecord &record, QTableWidget *table)
{
    PlaceItems(mode, row, record, table, GoodsLayout());
}

void FillFinanceItems(int mode, int row, const FinanceRecord &record, QTableWidget *table)
{
    PlaceItems(mode, row, record, table, FinanceLayout());
}

void FillGoodsRow(int mode, int row, const GoodsRecord &record, QTableWidget *table,
                  const RowChoices &choices, const EditorHook &hook)
{
    if (PlaceItems(mode, row, record, table, GoodsLayout()))
        BuildRowEditors(table, row, choices, hook);
}

void FillFinanceRow(int mode, int row, const FinanceRecord &record, QTableWidget *table,
                    const RowChoices &choices, const EditorHook &hook)
{
    if (PlaceItems(mode, row, record, table, FinanceLayout()))
        BuildRowEditors(table, row, choices, hook);
}

bool EditorsWaiting(const QTableWidget *table, int row)
{
    const QTableWidgetItem *serial = HasRow(table, row) ? table->item(row, 0) : nullptr;
    return serial && serial->data(kWaitingRole).toBool() && LayoutOf(serial->data(kLayoutRole).toInt());
}

bool ReleaseRowEditors(QTableWidget *table, int row)
{
    QTableWidgetItem *serial = HasRow(table, row) ? table->item(row, 0) : nullptr;
    const RowLayout *layout = serial ? LayoutOf(serial->data(kLayoutRole).toInt()) : nullptr;
    if (!layout || serial->data(kWaitingRole).toBool() || !table->cellWidget(row, layout->dateColumn))
        return false;
    const QSignalBlocker blocker(table);
    for (int c = 0; c < layout->columns; ++c) {
        if (!layout->IsEditor(c))
            continue;
        auto *item = new QTableWidgetItem(CellText(table, row, c));
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        table->removeCellWidget(row, c);
        table->setItem(row, c, item);
    }
    serial->setData(kWaitingRole, true);
    return true;
}

bool BuildRowEditors(QTableWidget *table, int row, const RowChoices &choices, const EditorHook &hook)
{
    if (!EditorsWaiting(table, row))
        return false;
    QTableWidgetItem *serial = table->item(row, 0);
    const RowLayout &layout = *LayoutOf(serial->data(kLayoutRole).toInt());
    const QString name = table->objectName() + QLatin1Char('.')
        + QString::number(serial->data(kBuiltRowRole).toInt());
    // Moving texts from items into editors is no edit of the row.
    const QSignalBlocker blocker(table);
    serial->setData(kWaitingRole, QVariant());
    for (int c = 0; c < layout.columns; ++c) {
        if (!layout.IsEditor(c))
            continue;
        QTableWidgetItem *item = table->takeItem(row, c);
        const QString text = item ? item->text() : QString();
        delete item;
        if (c == layout.dateColumn) {
            QDate date = QDate::fromString(text, kDateFormat);
            if (!date.isValid())
                date = FallbackDate();
            PlaceDate(table, row, c, name, date, hook);
        } else {
            PlaceCombo(table, row, c, name, layout.Combo(c)->choices(choices, table->objectName()),
                       text, hook);
        }
    }
    return true;
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

ReadOutcome ReadGoodsRow(int row, int kind, GoodsRecord &record, QTableWidget *table,
                         int changedColumn)
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
    const RowAmounts::Changed changed = outcome.refused
        ? RowAmounts::Changed::None : RowAmounts::ChangedOfColumn(changedColumn);
    const RowAmounts::Goods derived = RowAmounts::Derive(amounts, changed);
    const QString *after[] = {&derived.num, &derived.price, &derived.total, &derived.pay,
                              &derived.debt};
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
    if (!silent && !text.isEmpty())
        ShowNumberWarning(parent);
    return false;
}

} // namespace LedgerRows

namespace {

// Asks for a build before the pending repaint, so rows never show without
// their editors for a frame.
class BuildRequest : public QEvent
{
public:
    static QEvent::Type Kind()
    {
        static const int kind = QEvent::registerEventType();
        return static_cast<QEvent::Type>(kind);
    }
    explicit BuildRequest(QTableWidget *table) : QEvent(Kind()), table(table) {}
    QPointer<QTableWidget> table;
};

// Whether the widget is one of the row's cell editors or inside one.
bool RowHolds(const QTableWidget *table, int row, const QWidget *widget)
{
    for (int c = 0; c < table->columnCount(); ++c) {
        const QWidget *editor = table->cellWidget(row, c);
        if (editor && (editor == widget || editor->isAncestorOf(widget)))
            return true;
    }
    return false;
}

// First and last row in view, or false when none is.
bool RowsInView(const QTableWidget *table, int *first, int *last)
{
    if (!table->isVisible() || table->rowCount() == 0)
        return false;
    const int height = table->viewport()->height();
    *first = table->rowAt(0);
    if (*first < 0)
        return false;
    *last = table->rowAt(height - 1);
    if (*last < 0)
        *last = table->rowCount() - 1;
    return true;
}

} // namespace

InViewEditors::InViewEditors(QObject *parent)
    : QObject(parent)
{
}

void InViewEditors::Watch(QTableWidget *table, const RowChoices &choices,
                          const LedgerRows::EditorHook &hook)
{
    if (!table)
        return;
    const bool known = m_tables.contains(table);
    Watched &watched = m_tables[table];
    watched.choices = choices;
    watched.hook = hook;
    if (known)
        return;
    table->viewport()->installEventFilter(this);
    auto request = [this, table] { Request(table); };
    connect(table->verticalScrollBar(), &QScrollBar::valueChanged, this, request);
    connect(table->model(), &QAbstractItemModel::rowsRemoved, this, request);
    connect(table->model(), &QAbstractItemModel::layoutChanged, this, request);
    connect(table, &QObject::destroyed, this, [this, table] { m_tables.remove(table); });
}

int InViewEditors::BuildInView(QTableWidget *table)
{
    const auto found = m_tables.find(table);
    int first = 0;
    int last = -1;
    if (found == m_tables.end() || !RowsInView(table, &first, &last))
        return 0;
    // Rows a screenful away keep theirs, so small scrolls rebuild nothing;
    // beyond that editors go back to items: the view moves every editor it
    // holds on each scroll step.
    const int margin = last - first + 1;
    ReleaseOutside(table, &found->built, first - margin, last + margin);
    // Copied: a hook may reach back here.
    const RowChoices choices = found->choices;
    const LedgerRows::EditorHook hook = found->hook;
    QList<QPersistentModelIndex> built;
    for (int r = first; r <= last; ++r) {
        if (LedgerRows::BuildRowEditors(table, r, choices, hook))
            built << QPersistentModelIndex(table->model()->index(r, 0));
    }
    const auto again = m_tables.find(table);
    if (again != m_tables.end())
        again->built += built;
    return built.size();
}

void InViewEditors::ReleaseOutside(QTableWidget *table, QList<QPersistentModelIndex> *built,
                                   int first, int last)
{
    // Never under the user's hands: an open pop-up or the focus in a row.
    if (QApplication::activePopupWidget())
        return;
    const QWidget *focus = QApplication::focusWidget();
    for (auto it = built->begin(); it != built->end();) {
        const int row = it->isValid() ? it->row() : -1;
        if (row >= first && row <= last) {
            ++it;
            continue;
        }
        if (row >= 0 && focus && RowHolds(table, row, focus)) {
            ++it;
            continue;
        }
        if (row >= 0)
            LedgerRows::ReleaseRowEditors(table, row);
        it = built->erase(it);
    }
}

bool InViewEditors::WaitingInView(QTableWidget *table) const
{
    int first = 0;
    int last = -1;
    if (!RowsInView(table, &first, &last))
        return false;
    for (int r = first; r <= last; ++r) {
        if (LedgerRows::EditorsWaiting(table, r))
            return true;
    }
    return false;
}

void InViewEditors::Request(QTableWidget *table)
{
    const auto found = m_tables.find(table);
    if (found == m_tables.end() || found->requested)
        return;
    found->requested = true;
    QApplication::postEvent(this, new BuildRequest(table), Qt::HighEventPriority);
}

bool InViewEditors::eventFilter(QObject *watched, QEvent *event)
{
    auto *table = qobject_cast<QTableWidget *>(watched->parent());
    if (table) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Resize:
            Request(table);
            break;
        case QEvent::Paint:
            // Anything else that brings rows into view (row heights, fonts) ends
            // in a repaint; widgets are not made while painting.
            if (WaitingInView(table))
                Request(table);
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void InViewEditors::customEvent(QEvent *event)
{
    if (event->type() != BuildRequest::Kind())
        return;
    QTableWidget *table = static_cast<BuildRequest *>(event)->table;
    const auto found = table ? m_tables.find(table) : m_tables.end();
    if (found == m_tables.end())
        return;
    found->requested = false;
    BuildInView(table);
}
