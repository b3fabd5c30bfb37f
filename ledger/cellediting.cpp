#include "ledger/cellediting.h"

#include "ledger/ledgerdelegate.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgermodel.h"

#include <QComboBox>
#include <QDateEdit>
#include <QSortFilterProxyModel>

namespace {

// The row of the model behind a cell of the view's filter.
int SourceRow(const QModelIndex &index)
{
    const auto *proxy = qobject_cast<const QSortFilterProxyModel *>(index.model());
    return proxy ? proxy->mapToSource(index).row() : index.row();
}

} // namespace

void CellEditing::SetTypeAhead(std::function<void(QComboBox *)> show, std::function<void()> hide,
                               std::function<bool()> shown)
{
    m_showTypeAhead = std::move(show);
    m_hideTypeAhead = std::move(hide);
    m_typeAheadShown = std::move(shown);
}

void CellEditing::WireEditor(QWidget *editor)
{
    if (auto *box = qobject_cast<QComboBox *>(editor)) {
        connect(box, &QComboBox::currentTextChanged, this, [this, box] { ComboxTextChanged(box); });
        connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                [this, box] { ComboxIndexChanged(box); });
    } else if (auto *edit = qobject_cast<QDateEdit *>(editor)) {
        connect(edit, &QDateEdit::dateChanged, this, [this, edit] { DateChanged(edit); });
    }
}

void CellEditing::TabCellChanged(const QModelIndex &index, const QString &text)
{
    const auto *proxy = qobject_cast<const QSortFilterProxyModel *>(index.model());
    const QModelIndex source = proxy ? proxy->mapToSource(index) : index;
    GetTabDateToDb(LedgerDelegate::PageModelOf(index.model()), source.row(), source.column(), text);
}

void CellEditing::GetTabDateToDb(LedgerModel *model, int row, int column, const QString &text)
{
    if (model)
        (void)model->SetCell(row, column, text); // a failure marks the row and is reported
}

void CellEditing::ComboxTextChanged(QComboBox *box)
{
    if (!box)
        return;
    LedgerDelegate::Commit(box);
    if (m_showTypeAhead)
        m_showTypeAhead(box);
}

void CellEditing::ComboxIndexChanged(QComboBox *box)
{
    if (!box)
        return;
    if (m_hideTypeAhead)
        m_hideTypeAhead();
    LedgerDelegate::Commit(box);
}

void CellEditing::DateChanged(QWidget *editor) { LedgerDelegate::Commit(editor); }

void CellEditing::CellChoseProcess(const QModelIndex &index)
{
    LedgerModel *model = LedgerDelegate::PageModelOf(index.model());
    if (!model || !m_picker || index.column() != LedgerKinds::WarehouseColumn)
        return;
    if (model->page().group != LedgerKinds::Group::Goods || !model->page().IsStored())
        return;
    m_picker(model, SourceRow(index), index.column());
}
