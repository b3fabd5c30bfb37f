#pragma once

#include <QObject>
#include <functional>

class LedgerModel;
class QComboBox;
class QModelIndex;
class QWidget;

// The glue between a page's cell editors and its model: combo and date
// editors commit each change as it happens, the item list follows a combo's
// text, and the warehouse picker opens for a goods page's warehouse cell.
// Every value put into a cell (picker, item list, editor) takes the model's
// one path of a typed value.
class CellEditing : public QObject
{
    Q_OBJECT
public:
    explicit CellEditing(QObject *parent) : QObject(parent) {}

    // The item list under a cell combo: shows it for the box, hides it, and
    // tells whether it is shown (it takes the editor's Return then).
    void SetTypeAhead(std::function<void(QComboBox *)> show, std::function<void()> hide,
                      std::function<bool()> shown = {});
    // The warehouse picker, opened for a cell of a goods page's model.
    void SetWarehousePicker(std::function<void(LedgerModel *, int row, int column)> open)
    {
        m_picker = std::move(open);
    }
    bool HasPicker() const { return bool(m_picker); }
    bool TypeAheadShown() const { return m_typeAheadShown && m_typeAheadShown(); }

    // Connects an editor the delegate made to the entries below.
    void WireEditor(QWidget *editor);

    void TabCellChanged(const QModelIndex &index, const QString &text);
    void GetTabDateToDb(LedgerModel *model, int row, int column, const QString &text);
    void ComboxTextChanged(QComboBox *box);
    void ComboxIndexChanged(QComboBox *box);
    void DateChanged(QWidget *editor);
    void CellChoseProcess(const QModelIndex &index);

private:
    std::function<void(QComboBox *)> m_showTypeAhead;
    std::function<void()> m_hideTypeAhead;
    std::function<bool()> m_typeAheadShown;
    std::function<void(LedgerModel *, int, int)> m_picker;
};
