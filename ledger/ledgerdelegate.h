#pragma once

#include "ledger/ledgerrows.h"

#include <QStyledItemDelegate>
#include <functional>

class QTableWidget;

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

    LedgerDelegate(QTableWidget *table, ChoicesReader choices, EditorHook hook);

    // The cell an open editor edits, found from its index: rows above it may
    // have gone since it opened. False for any other widget.
    static bool EditedCell(QWidget *editor, QTableWidget **table, int *row, int *column);
    // Puts the editor's value into its cell's item without a change notice.
    static void WriteToItem(QWidget *editor);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

protected:
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void OpenOnPress(const QModelIndex &index);

    Qt::MouseButton m_pressButton = Qt::NoButton;
    QPoint m_pressPos;
    QTableWidget *m_table;
    ChoicesReader m_choices;
    EditorHook m_hook;
};
