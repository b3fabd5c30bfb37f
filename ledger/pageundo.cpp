#include "ledger/pageundo.h"

#include "ledger/historydialog.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgermodel.h"
#include "widgets/boxes.h"

#include <QAbstractProxyModel>
#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QTableView>
#include <QUndoCommand>
#include <QUndoGroup>
#include <QUndoStack>

namespace {

// One change of the page. The change is already made when the command is
// pushed, so the first redo does nothing. A step the store refuses leaves
// page and store as they are, and the command leaves the stack.
class ChangeCommand : public QUndoCommand
{
public:
    ChangeCommand(LedgerModel *model, const LedgerChange &change, QWidget *window)
        : QUndoCommand(change.Describe(model->page())), m_model(model), m_change(change), m_window(window)
    {}

    void undo() override { Step(m_model->Undo(m_change)); }
    void redo() override
    {
        if (m_made)
            Step(m_model->Redo(m_change));
        m_made = true;
    }

private:
    void Step(const Result &done)
    {
        if (done)
            return;
        setObsolete(true);
        Boxes::Notice(m_window, QMessageBox::Warning, QStringLiteral("提示"), done.error(), QString(),
                      QStringLiteral("确认"), 100);
    }

    LedgerModel *m_model;
    LedgerChange m_change;
    QPointer<QWidget> m_window;
    bool m_made = false;
};

const char *const kGroupName = "page_undo_group";

} // namespace

PageUndo::PageUndo(const LedgerKinds::PageKind &page, LedgerModel *model, QTableView *view)
    : QObject(view), m_page(page), m_model(model), m_view(view), m_stack(new QUndoStack(this))
{
    setObjectName(QStringLiteral("page_undo"));
    connect(model, &LedgerModel::ChangeMade, this, [this](const LedgerChange &change) {
        m_stack->push(new ChangeCommand(m_model, change, m_view->window()));
    });
    connect(model, &QAbstractItemModel::modelReset, m_stack, &QUndoStack::clear);
    if (QUndoGroup *group = Group(view->window()))
        group->addStack(m_stack);
    // Shortcuts of the view alone: the page with the focus is the one undone.
    const auto shortcut = [this](const QList<QKeySequence> &keys, void (QUndoStack::*step)()) {
        auto *action = new QAction(m_view);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, m_stack, step);
        m_view->addAction(action);
    };
    shortcut({QKeySequence(Qt::CTRL + Qt::Key_Z)}, &QUndoStack::undo);
    shortcut({QKeySequence(Qt::CTRL + Qt::Key_Y), QKeySequence(Qt::CTRL + Qt::SHIFT + Qt::Key_Z)},
             &QUndoStack::redo);
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
}

bool PageUndo::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show || event->type() == QEvent::FocusIn
        || event->type() == QEvent::MouseButtonPress) {
        if (QUndoGroup *group = Group(m_view->window()))
            group->setActiveStack(m_stack);
    }
    return QObject::eventFilter(watched, event);
}

PageUndo *PageUndo::Of(const QTableView *view)
{
    return view ? view->findChild<PageUndo *>(QStringLiteral("page_undo"), Qt::FindDirectChildrenOnly)
                : nullptr;
}

QUndoGroup *PageUndo::Group(QWidget *window)
{
    if (!window)
        return nullptr;
    auto *group = window->findChild<QUndoGroup *>(QLatin1String(kGroupName), Qt::FindDirectChildrenOnly);
    if (!group) {
        group = new QUndoGroup(window);
        group->setObjectName(QLatin1String(kGroupName));
    }
    return group;
}

void PageUndo::OfferIn(QMenu *menu, QTableView *view, const QModelIndex &index)
{
    PageUndo *undo = Of(view);
    if (!undo)
        return;
    menu->addSeparator();
    QAction *back = undo->m_stack->createUndoAction(menu, QStringLiteral("撤销"));
    QAction *again = undo->m_stack->createRedoAction(menu, QStringLiteral("重做"));
    menu->addAction(back);
    menu->addAction(again);
    const auto *proxy = qobject_cast<const QAbstractProxyModel *>(view->model());
    const QModelIndex source = proxy ? proxy->mapToSource(index) : index;
    const QString serial = undo->m_model->Text(source.row(), LedgerKinds::SerialColumn);
    QAction *history = menu->addAction(QStringLiteral("修改记录"));
    const LedgerKinds::PageKind *page = &undo->m_page;
    QObject::connect(history, &QAction::triggered, view,
                     [view, page, serial] { HistoryDialog::ShowRow(view->window(), *page, serial); });
}
