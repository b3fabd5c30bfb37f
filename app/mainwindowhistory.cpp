// Undo, redo and the change log in the window's frame.
#include "app/mainwindow.h"

#include "db/changelog.h"
#include "ledger/historydialog.h"
#include "ledger/pageundo.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QStyle>
#include <QUndoGroup>

void MainWindow::SetUpHistory()
{
    // The built-in account logs as "admin"; a stored one by its name, else its phone.
    ChangeLog::SetAccount(m_user.name.isEmpty() ? m_user.phone : m_user.name);
    HistoryDialog::SetViewerType(m_user.userType);

    // The page last shown or clicked is the one the toolbar's actions work on.
    QUndoGroup *group = PageUndo::Group(this);
    QAction *undo = group->createUndoAction(this, QStringLiteral("撤销"));
    QAction *redo = group->createRedoAction(this, QStringLiteral("重做"));
    undo->setObjectName(QStringLiteral("action_undo"));
    redo->setObjectName(QStringLiteral("action_redo"));
    // The button keeps its short word; what it would do shows in its tool tip and the menus.
    undo->setIconText(QStringLiteral("撤销"));
    redo->setIconText(QStringLiteral("重做"));
    undo->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
    redo->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
    QAction *first = m_ui->toolBar->actions().value(0);
    m_ui->toolBar->insertAction(first, undo);
    m_ui->toolBar->insertAction(first, redo);
    m_ui->toolBar->insertSeparator(first);

    auto *history = new QAction(QStringLiteral("修改记录"), this);
    history->setObjectName(QStringLiteral("action_history"));
    m_ui->menu_datamge->addAction(history);
    connect(history, &QAction::triggered, this, [this] { HistoryDialog::ShowPeriod(this); });
}
