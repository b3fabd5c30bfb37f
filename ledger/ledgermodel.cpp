#include "ledger/ledgermodel.h"

#include "db/money.h"
#include "ledger/celllayout.h"
#include "ledger/ledgerkinds.h"
#include "ledger/namelists.h"
#include "ledger/rowamounts.h"

#include <QColor>
#include <QDate>
#include <QElapsedTimer>
#include <QThreadPool>
#include <QTimer>
#include <utility>

using LedgerKinds::Group;

namespace {

// Rows summed per turn of the event loop, in time: a million-row page never
// stops the window for long, a small one is summed at once.
constexpr qint64 kSliceMs = 20;
// The first slice of a pass runs before the filled page is painted: short,
// so a big page's first screen is not kept waiting for its totals.
constexpr qint64 kFirstSliceMs = 5;
const QColor kSaveFailedColour(255, 110, 110);
// Amber, so a short stock is not taken for a failed save.
const QColor kShortStockColour(255, 200, 80);
// Violet text, apart from the red of an oversold stock and the row states.
const QColor kNotListedColour(128, 0, 192);

// Rows past this many are freed on a worker when a page is replaced: a
// million rows take seconds to free, which would stop the window.
constexpr int kFreeElsewhereRows = 10000;

// Lets go of a replaced page's rows. Their texts may be shared with copies
// elsewhere; the reference counts are atomic, so the last holder frees them,
// on whichever thread.
template <typename List>
void Release(List rows)
{
    if (rows.size() < kFreeElsewhereRows)
        return;
    QThreadPool::globalInstance()->start([rows = std::move(rows)]() mutable { rows = List(); });
}

QDate ParseStoredDate(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('-'));
    if (parts.size() != 3)
        return QDate();
    return QDate(parts.at(0).toInt(), parts.at(1).toInt(), parts.at(2).toInt());
}

} // namespace

LedgerModel::LedgerModel(const LedgerKinds::PageKind &page, QObject *parent)
    : QAbstractTableModel(parent), m_page(&page), m_goodsStyle(page.group != Group::Finance)
{}

int LedgerModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_goodsStyle ? m_goods.size() : m_finance.size();
}

int LedgerModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_page->ColumnCount();
}

QString LedgerModel::Stored(int row, int column) const
{
    return m_goodsStyle ? m_goods.at(row).text(m_page->TextOf(column)) : m_finance.at(row).text(column);
}

void LedgerModel::SetStored(int row, int column, const QString &text)
{
    if (m_goodsStyle)
        m_goods[row].setText(column, text);
    else
        m_finance[row].setText(column, text);
}

QString LedgerModel::Text(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return QString();
    const QString text = Stored(row, column);
    const int dateColumn = m_goodsStyle ? LedgerKinds::GoodsDateColumn : LedgerKinds::FinanceDateColumn;
    if (m_page->IsComputed()) {
        // A computed record leaves the fields it has no value for as a new
        // record holds them; those placeholders are no figures and stay blank.
        if (column == dateColumn)
            return ParseStoredDate(text).isValid() ? text : QString();
        const int amountColumn = m_goodsStyle ? LedgerKinds::TotalColumn : LedgerKinds::FinanceSumColumn;
        static const GoodsRecord blankGoods;
        static const FinanceRecord blankFinance;
        const QString &blank = m_goodsStyle ? blankGoods.text(column) : blankFinance.text(column);
        return column != amountColumn && text == blank ? QString() : text;
    }
    if (column == dateColumn) {
        // The date editor shows a day; a stored text that is none shows its fallback.
        const QDate date = ParseStoredDate(text);
        return (date.isValid() ? date : QDate(2000, 1, 1)).toString(QStringLiteral("yyyy-MM-dd"));
    }
    return text;
}

QVariant LedgerModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return QVariant();
    const quint8 state = m_states.value(index.row());
    const auto notListed = [&] {
        return m_names && m_names->Lacks(*m_page, index.column(), Stored(index.row(), index.column()));
    };
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return Text(index.row(), index.column());
    case Qt::BackgroundRole:
        if (state & Failed)
            return kSaveFailedColour;
        if ((state & ShortStock) && index.column() == LedgerKinds::NumColumn)
            return kShortStockColour;
        return QVariant();
    case Qt::ForegroundRole:
        // An oversold article: its stock below zero is painted red.
        if (m_page->group == Group::Goods && m_page->kind == GoodsKind::CurrentStock
            && index.column() == LedgerKinds::NumColumn
            && Money::FromText(Stored(index.row(), index.column())) < Money())
            return QColor(Qt::red);
        return notListed() ? QVariant(kNotListedColour) : QVariant();
    case Qt::ToolTipRole: return notListed() ? QVariant(QStringLiteral("不在名单中")) : QVariant();
    case NotListedRole: return notListed();
    case SaveFailedRole: return bool(state & Failed);
    case ShortStockRole: return bool(state & ShortStock);
    default: return QVariant();
    }
}

QVariant LedgerModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_page->columnTitles.value(section);
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole && m_goodsStyle
        && section == LedgerKinds::SizeColumn)
        return LedgerKinds::SizeColumnToolTip();
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags LedgerModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (CellLayout::IsTyped(*m_page, index.column()))
        f |= Qt::ItemIsEditable;
    return f;
}

bool LedgerModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const Result saved = SetCell(index.row(), index.column(), value.toString());
    // A failed save keeps the typed value on the page, marked.
    return saved.ok() || SaveFailed(index.row());
}

GoodsRecord LedgerModel::Goods(int row) const { return m_goodsStyle ? m_goods.value(row) : GoodsRecord(); }

FinanceRecord LedgerModel::Finance(int row) const
{
    return m_goodsStyle ? FinanceRecord() : m_finance.value(row);
}

QStringList LedgerModel::RowTexts(int row) const
{
    return m_goodsStyle ? RecordTexts(m_goods.at(row)) : RecordTexts(m_finance.at(row));
}

bool LedgerModel::SaveFailed(int row) const { return m_states.value(row) & Failed; }

void LedgerModel::SetShortStock(int row, bool shortOfStock)
{
    if (row < 0 || row >= m_states.size() || bool(m_states.at(row) & ShortStock) == shortOfStock)
        return;
    m_states[row] = shortOfStock ? (m_states.at(row) | ShortStock) : (m_states.at(row) & ~ShortStock);
    emit dataChanged(index(row, LedgerKinds::NumColumn), index(row, LedgerKinds::NumColumn));
}

void LedgerModel::SetNameLists(const NameLists *names)
{
    if (m_names)
        disconnect(m_names, nullptr, this, nullptr);
    m_names = names;
    if (!names)
        return;
    // Only the colour and tip roles: a filter or sort over the page has nothing to redo.
    connect(names, &NameLists::Changed, this, [this] {
        const int rows = rowCount();
        for (int c = 0; rows > 0 && c < columnCount(); ++c) {
            if (NameLists::Checked(*m_page, c) != CellLayout::Choice::None)
                emit dataChanged(index(0, c), index(rows - 1, c),
                                 {Qt::ForegroundRole, Qt::ToolTipRole, NotListedRole});
        }
    });
}

// ---- loading ----

template <typename Kept, typename Other>
void LedgerModel::Fill(Kept &kept, Kept rows, Other &other, bool announceTotals)
{
    beginResetModel();
    kept.swap(rows);
    Release(std::move(rows));
    Release(std::exchange(other, Other()));
    m_announce = announceTotals;
    BeginFill();
    endResetModel();
    if (announceTotals)
        SumSlice(true, false);
}

void LedgerModel::SetGoodsRows(GoodsList rows, bool announceTotals)
{
    Fill(m_goods, std::move(rows), m_finance, announceTotals);
}

void LedgerModel::SetFinanceRows(FinanceList rows, bool announceTotals)
{
    Fill(m_finance, std::move(rows), m_goods, announceTotals);
}

void LedgerModel::BeginFill()
{
    m_states = QVector<quint8>(rowCount(), 0);
    m_sums = PageTotals::Sums();
    m_summed = 0;
    m_totalsValid = false;
    m_summing = false;
    ++m_generation;
}

// ---- totals ----

PageTotals::RowSums LedgerModel::ShareOf(const QStringList &t) const
{
    if (!m_goodsStyle) {
        // A summary page (profit) totals its one item, not every row.
        if (!m_page->totalsItem.isEmpty() && t.value(1) != m_page->totalsItem)
            return PageTotals::RowSums();
        return PageTotals::FinanceRow(t.value(LedgerKinds::FinanceSumColumn));
    }
    if (m_page->IsDebtSummary()) // 类别 and 欠款余额
        return PageTotals::DebtRow(t.value(5), t.value(13));
    if (!m_page->totalsItem.isEmpty() && t.value(LedgerKinds::SerialColumn) != m_page->totalsItem)
        return PageTotals::RowSums();
    if (m_page->ShowsStockValue()) // nothing paid; the value where the unpaid sum would be
        return PageTotals::GoodsRow({t.value(9), t.value(10), t.value(11), QString(), t.value(13)});
    return PageTotals::GoodsRow({t.value(9), t.value(10), t.value(11), t.value(12), t.value(13)});
}

PageTotals::RowSums LedgerModel::RowShare(int row) const
{
    if (row < 0 || row >= rowCount())
        return PageTotals::RowSums();
    if (!m_goodsStyle) {
        const FinanceRecord &r = m_finance.at(row);
        if (!m_page->totalsItem.isEmpty() && r.item != m_page->totalsItem)
            return PageTotals::RowSums();
        return PageTotals::FinanceRow(r.sum);
    }
    const GoodsRecord &r = m_goods.at(row);
    if (m_page->IsDebtSummary()) // 类别 and 欠款余额
        return PageTotals::DebtRow(r.code, r.debt);
    if (!m_page->totalsItem.isEmpty() && r.serial != m_page->totalsItem) // the owner's pages
        return PageTotals::RowSums();
    if (m_page->ShowsStockValue())
        return PageTotals::GoodsRow({r.num, r.price, r.total, QString(), r.debt});
    return PageTotals::GoodsRow({r.num, r.price, r.total, r.pay, r.debt});
}

void LedgerModel::ComputeTotals()
{
    m_sums = PageTotals::Sums();
    m_summed = 0;
    m_totalsValid = false;
    m_announce = true;
    ++m_generation;
    SumSlice(true, m_page->IsStored());
}

void LedgerModel::SumSlice(bool writeDerived, bool saveDerived)
{
    m_summing = true;
    QElapsedTimer clock;
    clock.start();
    const qint64 budgetMs = m_summed == 0 ? kFirstSliceMs : kSliceMs;
    const int rows = rowCount();
    QString derived;
    while (m_summed < rows) {
        const int row = m_summed;
        const bool counted = m_page->totalsItem.isEmpty() || !m_goodsStyle
            || m_goods.at(row).serial == m_page->totalsItem; // the owner's pages count their 合计 row
        if (m_goodsStyle && !m_page->IsDebtSummary() && counted) {
            const GoodsRecord &r = m_goods.at(row);
            // The stock page's unpaid text holds its value; nothing is paid on stock.
            const QString &paid = m_page->ShowsStockValue() ? QString() : r.pay;
            m_sums.Add(PageTotals::GoodsRow({r.num, r.price, r.total, paid, r.debt},
                                            writeDerived ? &derived : nullptr));
            // A total missing beside its quantity and price is shown, and on
            // the totals button saved, as the product the totals counted.
            if (writeDerived && !derived.isEmpty()) {
                m_goods[row].total = derived;
                // Saved as any edit of the row is, its other amounts derived.
                if (saveDerived) {
                    DeriveRow(row, -1);
                    MarkSaved(row, SaveRow(row).ok());
                }
                emit dataChanged(index(row, LedgerKinds::NumColumn), index(row, LedgerKinds::DebtColumn));
            }
        } else if (counted) {
            m_sums.Add(RowShare(row));
        }
        ++m_summed;
        if ((m_summed & 1023) == 0 && clock.elapsed() >= budgetMs)
            break;
    }
    if (m_summed < rows) {
        const quint64 generation = m_generation;
        QTimer::singleShot(0, this, [this, generation, writeDerived, saveDerived] {
            if (generation == m_generation)
                SumSlice(writeDerived, saveDerived);
        });
        return;
    }
    m_summing = false;
    m_totalsValid = true;
    if (m_announce)
        emit TotalsChanged();
}
