#pragma once

#include "ledger/listsource.h"

#include <QStyledItemDelegate>
#include <functional>

class LedgerModel;
class QKeyEvent;
class QTableView;

// Paints a ledger table's combo and date cells as their editors look (text
// with a drop-down arrow, date with a calendar button) and makes the real
// editor only for the cell being edited: a page of thousands of rows holds
// items only. A press on such a cell opens its editor at once and hands the
// press on, so a click on the arrow opens the choices as it always did.
class LedgerDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using ChoicesReader = std::function<RowChoices()>;
    // Called for every editor made, to wire its change signals.
    using EditorHook = std::function<void(QWidget *editor)>;
    // Sees the keys pressed in an editor (or its text field) before anything
    // else does; true when it used the key.
    using KeyHook = std::function<bool(QWidget *editor, QKeyEvent *event)>;

    LedgerDelegate(QTableView *view, ChoicesReader choices, EditorHook hook, KeyHook keys = {});

    // The page model behind a view's index (through its filter); null for none.
    static LedgerModel *PageModelOf(const QAbstractItemModel *model);
    // The cell an open editor edits (an index of the view's model), found
    // from its index: rows above it may have gone since it opened. Invalid for
    // any other widget.
    static QModelIndex EditedCell(QWidget *editor);
    // Puts the editor's value into its cell through the view's model, when it
    // differs: the one path of a typed value. False when nothing was set.
    static bool Commit(QWidget *editor);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

signals:
    // A date typed as text that is no day; the cell keeps its date.
    void DateRefused(const QString &text);

protected:
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void OpenOnPress(const QModelIndex &index);

    Qt::MouseButton m_pressButton = Qt::NoButton;
    QPoint m_pressPos;
    QTableView *m_view;
    ChoicesReader m_choices;
    EditorHook m_hook;
    KeyHook m_keys;
    bool m_keyOpened = false;
};
