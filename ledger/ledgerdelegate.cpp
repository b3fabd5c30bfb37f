#include "ledger/ledgerdelegate.h"

#include "db/datetext.h"
#include "ledger/celllayout.h"
#include "ledger/ledgermodel.h"
#include "widgets/comboxboxspec.h"

#include <QAbstractProxyModel>
#include <QApplication>
#include <QDateEdit>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>
#include <QTableView>

namespace {

const char *const kIndexProperty = "ledgerIndex";
const char *const kViewProperty = "ledgerView";
const char *const kTypedDateProperty = "ledgerTypedDate";
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
// The drop-down parts of the editors' style sheet.
constexpr int kComboButton = 16;
constexpr int kDateButton = 30;

CellLayout::Editor EditorOf(const QModelIndex &index)
{
    const LedgerModel *model = LedgerDelegate::PageModelOf(index.model());
    return model ? CellLayout::EditorOf(model->page(), index.column()) : CellLayout::Editor::None;
}

QString EditorText(const QWidget *editor)
{
    if (auto *box = qobject_cast<const QComboBox *>(editor))
        return box->currentText();
    if (auto *edit = qobject_cast<const QDateEdit *>(editor))
        return edit->date().toString(kDateFormat);
    return QString();
}

const QPixmap &Picture(bool date)
{
    static const QPixmap arrow(QStringLiteral(":/backg/backg/combo_arrow.png"));
    static const QPixmap calendar(QStringLiteral(":/backg/backg/calendar.png"));
    return date ? calendar : arrow;
}

} // namespace

LedgerDelegate::LedgerDelegate(QTableView *view, ChoicesReader choices, EditorHook hook, KeyHook keys)
    : QStyledItemDelegate(view)
    , m_view(view)
    , m_choices(std::move(choices))
    , m_hook(std::move(hook))
    , m_keys(std::move(keys))
{
    connect(view, &QAbstractItemView::pressed, this, &LedgerDelegate::OpenOnPress);
    // Whether the next editor is opened from the keyboard or the mouse.
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
}

LedgerModel *LedgerDelegate::PageModelOf(const QAbstractItemModel *model)
{
    if (const auto *proxy = qobject_cast<const QAbstractProxyModel *>(model))
        model = proxy->sourceModel();
    return qobject_cast<LedgerModel *>(const_cast<QAbstractItemModel *>(model));
}

QModelIndex LedgerDelegate::EditedCell(QWidget *editor)
{
    if (!editor)
        return QModelIndex();
    return editor->property(kIndexProperty).value<QPersistentModelIndex>();
}

bool LedgerDelegate::Commit(QWidget *editor)
{
    const QModelIndex index = EditedCell(editor);
    auto *view =
        qobject_cast<QTableView *>(editor ? editor->property(kViewProperty).value<QObject *>() : nullptr);
    if (!index.isValid() || !view || view->model() != index.model())
        return false;
    const QString text = EditorText(editor);
    if (index.data(Qt::EditRole).toString() == text)
        return false;
    return view->model()->setData(index, text);
}

QWidget *LedgerDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                      const QModelIndex &index) const
{
    const CellLayout::Editor kind = EditorOf(index);
    if (kind == CellLayout::Editor::None) {
        // A text cell's editor commits when it closes; the hook still sees it (its keys).
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (editor) {
            editor->setProperty(kIndexProperty, QVariant::fromValue(QPersistentModelIndex(index)));
            editor->setProperty(kViewProperty, QVariant::fromValue<QObject *>(m_view));
        }
        if (editor && m_hook)
            m_hook(editor);
        return editor;
    }
    QWidget *editor = nullptr;
    if (kind == CellLayout::Editor::Combo) {
        auto *box = new ComboxBoxSpec(parent);
        box->setEditable(true);
        // The list "项目选择" offers every item containing the typed text; an
        // inline completion would fill the field and narrow it to one.
        box->setCompleter(nullptr);
        const LedgerModel *model = PageModelOf(index.model());
        const RowChoices choices = m_choices ? m_choices() : RowChoices();
        box->addItems(model ? choices.Of(CellLayout::ChoiceOf(model->page(), index.column()))
                            : QStringList());
        box->setCurrentIndex(-1);
        editor = box;
    } else if (m_keyOpened) {
        // From the keyboard a date is typed as digits ("20241201", "12-01", "1201").
        auto *typed = new QLineEdit(parent);
        typed->setProperty(kTypedDateProperty, true);
        typed->setFrame(false);
        editor = typed;
    } else {
        auto *edit = new QDateEdit(parent);
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(kDateFormat);
        editor = edit;
    }
    editor->setObjectName(m_view->objectName() + QLatin1Char('.') + QString::number(index.row()));
    editor->setProperty(kIndexProperty, QVariant::fromValue(QPersistentModelIndex(index)));
    editor->setProperty(kViewProperty, QVariant::fromValue<QObject *>(m_view));
    // The text field of a combo or a date sees the keys and the wheel first.
    for (QWidget *part : editor->findChildren<QWidget *>())
        part->installEventFilter(const_cast<LedgerDelegate *>(this));
    // setEditorData fills it with its signals blocked: opening is no change.
    if (m_hook)
        m_hook(editor);
    return editor;
}

void LedgerDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    const QString text = index.data(Qt::EditRole).toString();
    // The editor's own changes come back here through the item; leave the
    // editor (and where the user types) alone then.
    if (EditorText(editor) == text && editor->property("ledgerFilled").toBool())
        return;
    const QSignalBlocker blocker(editor);
    editor->setProperty("ledgerFilled", true);
    if (auto *box = qobject_cast<QComboBox *>(editor)) {
        const int found = text.isEmpty() ? -1 : box->findText(text);
        box->setCurrentIndex(found);
        if (found < 0)
            box->setEditText(text);
    } else if (auto *edit = qobject_cast<QDateEdit *>(editor)) {
        QDate date = QDate::fromString(text, kDateFormat);
        edit->setDate(date.isValid() ? date : QDate(2000, 1, 1));
    } else {
        QStyledItemDelegate::setEditorData(editor, index);
    }
}

void LedgerDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    if (EditorOf(index) == CellLayout::Editor::None) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    if (editor->property(kTypedDateProperty).toBool()) {
        const QString text = static_cast<QLineEdit *>(editor)->text();
        if (text == index.data(Qt::EditRole).toString())
            return;
        const QDate date = DateText::FromTyped(text, QDate::currentDate());
        if (date.isValid())
            model->setData(index, date.toString(kDateFormat));
        else
            emit const_cast<LedgerDelegate *>(this)->DateRefused(text);
        return;
    }
    // Each change was saved as it happened; this catches any left over.
    if (index.data(Qt::EditRole).toString() != EditorText(editor))
        model->setData(index, EditorText(editor));
}

void LedgerDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                          const QModelIndex &index) const
{
    if (EditorOf(index) == CellLayout::Editor::None)
        QStyledItemDelegate::updateEditorGeometry(editor, option, index);
    else
        editor->setGeometry(option.rect);
}

void LedgerDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                           const QModelIndex &index) const
{
    const CellLayout::Editor kind = EditorOf(index);
    if (kind == CellLayout::Editor::None) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    const QString text = opt.text;
    opt.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const bool date = kind == CellLayout::Editor::Date;
    const QRect cell = opt.rect;
    const int buttonWidth = date ? kDateButton : kComboButton;
    const QRect button(cell.right() - buttonWidth + 1, cell.top(), buttonWidth, cell.height());
    painter->save();
    if (date) {
        painter->setPen(Qt::gray);
        painter->drawRect(cell.adjusted(0, 0, -1, -1));
    } else {
        painter->fillRect(button, Qt::white);
    }
    const QPixmap &picture = Picture(date);
    if (!picture.isNull()) {
        QSize size = picture.size() / picture.devicePixelRatio();
        size = size.boundedTo(button.size() - QSize(2, 2));
        QRect target(QPoint(), size);
        target.moveCenter(button.center());
        painter->drawPixmap(target, picture);
    }
    const bool selected = opt.state & QStyle::State_Selected;
    painter->setPen(
        opt.palette.color(QPalette::Normal, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(opt.font);
    const QRect textRect = cell.adjusted(date ? 3 : 4, 0, -buttonWidth - 1, 0);
    // Cut off at the button as the editor's text field cuts it.
    painter->setClipRect(textRect);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text);
    painter->restore();
}

bool LedgerDelegate::editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                                 const QModelIndex &index)
{
    // Remembered for the view's pressed(), which comes once the press has
    // made the cell current.
    if (event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        m_pressButton = mouse->button();
        m_pressPos = mouse->pos();
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

void LedgerDelegate::OpenOnPress(const QModelIndex &index)
{
    const Qt::MouseButton button = m_pressButton;
    m_pressButton = Qt::NoButton;
    if (button != Qt::LeftButton || EditorOf(index) == CellLayout::Editor::None
        || !(index.flags() & Qt::ItemIsEditable))
        return;
    m_view->edit(index);
    QWidget *editor = m_view->indexWidget(index);
    if (!editor)
        return;
    // Hand the press on to the part of the editor under the mouse: the arrow
    // opens the choices or the calendar, the text takes the cursor.
    const QPoint global = m_view->viewport()->mapToGlobal(m_pressPos);
    QWidget *target = editor->childAt(editor->mapFromGlobal(global));
    if (!target)
        target = editor;
    QMouseEvent press(QEvent::MouseButtonPress, target->mapFromGlobal(global), global, Qt::LeftButton,
                      Qt::LeftButton, QApplication::keyboardModifiers());
    QApplication::sendEvent(target, &press);
}

bool LedgerDelegate::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress: m_keyOpened = true; break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: m_keyOpened = false; break;
    default: break;
    }
    // The view is watched for the above only; the base takes what it watches for an editor.
    if (watched == m_view || watched == m_view->viewport())
        return false;
    if (event->type() == QEvent::KeyPress && m_keys) {
        // The editor itself, or the text field inside it.
        QObject *editor = watched;
        while (editor && !editor->property(kIndexProperty).isValid())
            editor = editor->parent();
        auto *widget = qobject_cast<QWidget *>(editor);
        if (widget && m_keys(widget, static_cast<QKeyEvent *>(event)))
            return true;
    }
    // The wheel over a cell changes nothing, in an open editor neither.
    if (event->type() == QEvent::Wheel
        && (watched->property(kIndexProperty).isValid()
            || (watched->parent() && watched->parent()->property(kIndexProperty).isValid())))
        return true;
    return QStyledItemDelegate::eventFilter(watched, event);
}
