#pragma once

#include <QObject>
#include <functional>

class QKeyEvent;
class QModelIndex;
class QTableView;
class QWidget;

// Entry without the mouse on a table view, as a register works: Tab and
// Shift+Tab walk the row's editable cells and open each one's editor, typing
// on a selected cell (or F2) starts editing it, Enter commits and moves down
// the column, Insert or Ctrl+N adds a row; Enter on the last row and Tab past
// the last cell add one too. What a page adds to that (which column a new row
// starts in, where the cursor goes after a cell) comes in through the hooks.
class RegisterKeys : public QObject
{
    Q_OBJECT
public:
    struct Hooks
    {
        // Adds a row at the end; true when it was added.
        std::function<bool()> addRow;
        // The column the cursor starts in on a new row.
        std::function<int()> firstColumn;
        // The column Tab goes to from a cell just committed (an index of the
        // view's model); -1 for the next editable one.
        std::function<int(const QModelIndex &committed)> columnAfter;
        // True while another widget (a list of choices) wants the editor's keys.
        std::function<bool()> choicesShown;
        // Opens the picker of a cell that has one instead of an editor (the
        // warehouse); true when it did. F2 and Space on the cell call it.
        std::function<bool(const QModelIndex &cell)> pick;
    };

    RegisterKeys(QTableView *view, Hooks hooks);

    // A key pressed in an open editor of the view (or in one of its parts):
    // Tab, Shift+Tab and Enter commit and move. True when the key was used.
    bool EditorKey(QWidget *editor, QKeyEvent *event);

    // The next editable cell after (row, column) in the row, going back with
    // backwards; an invalid index past either end.
    QModelIndex NextCell(int row, int column, bool backwards) const;
    // Adds a row and puts the cursor in its first column.
    void AddRowAndStart();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool ViewKey(QKeyEvent *event);
    // Commits and closes the open editor of the current cell, then moves.
    void CommitAndMove(QWidget *editor, int key, bool backwards);
    void MoveTo(const QModelIndex &index, bool open);

    QTableView *m_view;
    Hooks m_hooks;
};
