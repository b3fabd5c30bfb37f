#include "widgets/registerkeys.h"

#include <QAbstractItemDelegate>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>

RegisterKeys::RegisterKeys(QTableView *view, Hooks hooks)
    : QObject(view), m_view(view), m_hooks(std::move(hooks))
{
    // Keys reach the table, and a typed key or F2 opens the cell's editor.
    view->setFocusPolicy(Qt::StrongFocus);
    view->setTabKeyNavigation(true);
    view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked
                          | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    view->installEventFilter(this);
}

bool RegisterKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    if (watched == m_view && ViewKey(static_cast<QKeyEvent *>(event)))
        return true;
    return QObject::eventFilter(watched, event);
}

bool RegisterKeys::ViewKey(QKeyEvent *event)
{
    const QModelIndex current = m_view->currentIndex();
    const int rows = m_view->model() ? m_view->model()->rowCount() : 0;
    if (event->key() == Qt::Key_Insert
        || (event->key() == Qt::Key_N && event->modifiers() == Qt::ControlModifier)) {
        AddRowAndStart();
        return true;
    }
    if (!current.isValid())
        return false;
    switch (event->key()) {
    case Qt::Key_F2:
    case Qt::Key_Space:
        return !(current.flags() & Qt::ItemIsEditable) && m_hooks.pick && m_hooks.pick(current);
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        const bool backwards = event->key() == Qt::Key_Backtab;
        // Tab on a cell not yet edited goes on from it as from an edited one.
        CommitAndMove(nullptr, event->key(), backwards);
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (current.row() + 1 >= rows)
            AddRowAndStart();
        else
            MoveTo(current.sibling(current.row() + 1, current.column()), false);
        return true;
    default: return false;
    }
}

bool RegisterKeys::EditorKey(QWidget *editor, QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        // Accepted (here and for Return): the item list leaves Tab unaccepted,
        // and an unaccepted key travels on to the view, which moves a second cell.
        event->accept();
        CommitAndMove(editor, event->key(), event->key() == Qt::Key_Backtab);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // The list of choices takes Return for itself while it is shown.
        if (m_hooks.choicesShown && m_hooks.choicesShown())
            return false;
        event->accept();
        CommitAndMove(editor, event->key(), false);
        return true;
    default: return false;
    }
}

void RegisterKeys::CommitAndMove(QWidget *editor, int key, bool backwards)
{
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid())
        return;
    // The one path of a typed value: the delegate writes the editor's text into the model.
    if (editor) {
        QAbstractItemDelegate *delegate = m_view->itemDelegate(current);
        emit delegate->commitData(editor);
        emit delegate->closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
    const int rows = m_view->model()->rowCount();
    const int row = current.row();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (row + 1 >= rows)
            AddRowAndStart();
        else
            MoveTo(current.sibling(row + 1, current.column()), false);
        return;
    }
    // A code that filled its row sends the cursor on to what is left to type.
    const int after = !backwards && m_hooks.columnAfter ? m_hooks.columnAfter(current) : -1;
    QModelIndex next = after >= 0 ? current.sibling(row, after) : NextCell(row, current.column(), backwards);
    if (!next.isValid() && !backwards) {
        if (row + 1 >= rows) {
            AddRowAndStart();
            return;
        }
        next = NextCell(row + 1, -1, false);
    } else if (!next.isValid() && row > 0) {
        next = NextCell(row - 1, m_view->model()->columnCount(), true);
    }
    if (next.isValid())
        MoveTo(next, true);
}

QModelIndex RegisterKeys::NextCell(int row, int column, bool backwards) const
{
    const QAbstractItemModel *model = m_view->model();
    if (!model || row < 0 || row >= model->rowCount())
        return QModelIndex();
    const int step = backwards ? -1 : 1;
    for (int c = column + step; c >= 0 && c < model->columnCount(); c += step) {
        const QModelIndex index = model->index(row, c);
        if (!m_view->isColumnHidden(c) && (index.flags() & Qt::ItemIsEditable))
            return index;
    }
    return QModelIndex();
}

void RegisterKeys::MoveTo(const QModelIndex &index, bool open)
{
    m_view->setCurrentIndex(index);
    m_view->scrollTo(index);
    if (open && (index.flags() & Qt::ItemIsEditable))
        m_view->edit(index);
}

void RegisterKeys::AddRowAndStart()
{
    if (!m_hooks.addRow || !m_hooks.addRow())
        return;
    const QAbstractItemModel *model = m_view->model();
    const int row = model->rowCount() - 1;
    const int column = m_hooks.firstColumn ? m_hooks.firstColumn() : 0;
    m_view->setFocus(Qt::OtherFocusReason);
    MoveTo(model->index(row, column), false);
}
