#pragma once

#include "db/records.h"
#include "db/result.h"
#include "ledger/ledgerchange.h"
#include "ledger/pagetotals.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QVector>

class NameLists;

namespace LedgerKinds {
struct PageKind;
}

// The rows of one ledger page, and the one path a typed value takes:
// setData -> derive the row's amounts -> save through the store -> adjust the
// totals -> dataChanged for the cells that changed. Rows put in by loading
// (SetGoodsRows, SetFinanceRows) replace the page at once and are never
// saved, so nothing has to stop a save while a page fills.
//
// Goods-style pages (goods, stock, sales statistics) hold GoodsRecords,
// finance pages FinanceRecords; computed pages are read-only.
class LedgerModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // Row states, beside the colours data() gives for them.
    enum Role : int {
        SaveFailedRole = Qt::UserRole + 41, // the row's last save failed
        ShortStockRole = Qt::UserRole + 42, // the quantity leaves its article's stock below zero
        NotListedRole = Qt::UserRole + 43,  // a name its list lacks (NameLists)
    };

    explicit LedgerModel(const LedgerKinds::PageKind &page, QObject *parent = nullptr);

    const LedgerKinds::PageKind &page() const { return *m_page; }
    bool IsGoodsStyle() const { return m_goodsStyle; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // A typed value: SetCell. True when the value is on the page, even if its
    // save failed (the row is marked then, and RowSaveFailed says why).
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // ---- loading: the page shows these rows, none of them is saved ----
    // announceTotals: the totals follow once summed (the first load); a
    // query's rows leave them to the next edit or the totals button.
    void SetGoodsRows(GoodsList rows, bool announceTotals = false);
    void SetFinanceRows(FinanceList rows, bool announceTotals = false);
    // While the totals of a fill are still being summed in slices.
    bool Filling() const { return m_summing; }

    // ---- editing: each stored at once ----
    Result SetCell(int row, int column, const QString &text);
    // A new row at the end: serial now, date today, the rest empty; with
    // repeatAbove it takes from the row above what usually repeats (date,
    // warehouse, supplier or customer, salesperson or buyer), never figures.
    Result AddRow(bool repeatAbove = false);
    // Deleted in the store first; a row the store keeps stays on the page.
    Result RemoveRow(int row);
    // Every stored row of the page's kind, then the page.
    Result Clear();
    // Each change above is written to the change log with it, in one
    // transaction, and announced by ChangeMade (Clear only logged).

    // ---- taking a change back, or making it again ----
    // Refused, changing nothing, when the store no longer holds the row as
    // the change left it (another installation changed it since).
    Result Undo(const LedgerChange &change);
    Result Redo(const LedgerChange &change);

    // ---- rows ----
    GoodsRecord Goods(int row) const;
    FinanceRecord Finance(int row) const;
    // The text a cell shows.
    QString Text(int row, int column) const;
    const GoodsList &goodsRows() const { return m_goods; }
    const FinanceList &financeRows() const { return m_finance; }

    // ---- totals ----
    // Sums every row again (the totals button): rows without a total get
    // quantity x price written, and saved on a stored page.
    void ComputeTotals();
    bool TotalsValid() const { return m_totalsValid && !m_summing; }
    const PageTotals::Sums &Totals() const { return m_sums; }
    // What one row adds to the totals (0 on a summary page but for its totals item).
    PageTotals::RowSums RowShare(int row) const;

    // The lists that names typed on this page are checked against; none
    // marks nothing. Their changes repaint the name columns.
    void SetNameLists(const NameLists *names);

    // ---- row states ----
    bool SaveFailed(int row) const;
    void SetShortStock(int row, bool shortOfStock);

signals:
    // The totals changed and are whole: the totals line may show them.
    void TotalsChanged();
    void RowSaveFailed(int row, const QString &reason);
    // A typed amount was not a number and was emptied.
    void NumberRefused(int row, int column);
    // A typed value was saved (not a fill, not an added row).
    void CellEdited(int row, int column);
    // A typed value, an added or a deleted row is stored and can be taken back.
    void ChangeMade(const LedgerChange &change);

private:
    enum RowState : quint8 { Failed = 1, ShortStock = 2 };

    // The page's rows replaced by rows, the other kind's emptied.
    template <typename Kept, typename Other>
    void Fill(Kept &kept, Kept rows, Other &other, bool announceTotals);
    void BeginFill();
    void SumSlice(bool writeDerived, bool saveDerived);
    QString Stored(int row, int column) const;
    void SetStored(int row, int column, const QString &text);
    PageTotals::RowSums ShareOf(const QStringList &texts) const;
    QStringList RowTexts(int row) const;
    // Empties amounts that are not numbers (true when one was) and derives
    // the others, the changed column leading.
    bool DeriveRow(int row, int changedColumn);
    // With a change: its after-texts are the row as saved, and it goes into
    // the change log as action in the save's transaction.
    Result SaveRow(int row, LedgerChange *change = nullptr, const QString &action = QString());
    Result Apply(const LedgerChange &change, bool undo);
    int RowOfSerial(const QString &serial) const;
    // The page's row of a change set to texts: inserted at `at` when row is
    // -1, removed when texts is empty; the totals follow.
    void PlaceRow(int row, int at, const QStringList &texts);
    void MarkSaved(int row, bool saved);
    void FillFromCode(int row);
    void EmitRowChanged(int row, const QStringList &before);

    const LedgerKinds::PageKind *m_page;
    bool m_goodsStyle;
    GoodsList m_goods;
    FinanceList m_finance;
    QVector<quint8> m_states;
    QPointer<const NameLists> m_names;

    PageTotals::Sums m_sums;
    bool m_totalsValid = false;
    bool m_summing = false;
    bool m_announce = false;
    int m_summed = 0;         // rows [0, m_summed) are in m_sums
    quint64 m_generation = 0; // a newer fill or sum ends an older pass
};
