#pragma once

#include <QObject>

class LedgerModel;
class QMenu;
class QModelIndex;
class QTableView;
class QUndoGroup;
class QUndoStack;
class QWidget;
namespace LedgerKinds {
struct PageKind;
}

// Undo and redo of one stored page: each change its model announces becomes
// a command on the page's own stack; Ctrl+Z undoes, Ctrl+Y and Ctrl+Shift+Z
// redo. A refill of the page (a load, a query, an import, a restore, 清空)
// empties the stack: the rows the commands knew are gone from the page.
class PageUndo : public QObject
{
    Q_OBJECT
public:
    // Lives as long as the view. A refused undo or redo says why in a box.
    PageUndo(const LedgerKinds::PageKind &page, LedgerModel *model, QTableView *view);

    QUndoStack *stack() const { return m_stack; }
    // The page's undo stack, null for a view without one.
    static PageUndo *Of(const QTableView *view);
    // The window's group: its active stack is the page last shown or clicked.
    static QUndoGroup *Group(QWidget *window);
    // 撤销 / 重做 with what they would do, and 修改记录 for the row at index.
    static void OfferIn(QMenu *menu, QTableView *view, const QModelIndex &index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    const LedgerKinds::PageKind &m_page;
    LedgerModel *m_model;
    QTableView *m_view;
    QUndoStack *m_stack;
};
