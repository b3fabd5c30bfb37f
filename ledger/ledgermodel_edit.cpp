// The one path of a typed value and the rows added, deleted and cleared: each
// change is derived, stored at once and reflected in the totals.
#include "ledger/ledgermodel.h"

#include "db/changelog.h"
#include "db/storedbaccess.h"
#include "db/storedrow.h"
#include "ledger/celllayout.h"
#include "ledger/ledgerkinds.h"
#include "ledger/rowamounts.h"

#include <QDate>
#include <QDateTime>

namespace {

// A new row's serial is its creation time, and the store finds a row by its
// serial: two rows made within one millisecond (a quick double click on 增加)
// would share one, and the second save would overwrite the first. Serials
// handed out here therefore always move forward. Rows are made on the GUI
// thread only.
QString Now()
{
    static QDateTime last;
    QDateTime now = QDateTime::currentDateTime();
    if (last.isValid() && now <= last)
        now = last.addMSecs(1);
    last = now;
    return now.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss:zzz"));
}

} // namespace

Result LedgerModel::SaveRow(int row, LedgerChange *change, const QString &action)
{
    StoreDbAccess *store = StoreDbAccess::Instance();
    const int dateColumn = m_goodsStyle ? LedgerKinds::GoodsDateColumn : LedgerKinds::FinanceDateColumn;
    // What is stored is what the page shows: a serial, a real day.
    if (Stored(row, LedgerKinds::SerialColumn).isEmpty())
        SetStored(row, LedgerKinds::SerialColumn, Now());
    SetStored(row, dateColumn, Text(row, dateColumn));
    if (m_goodsStyle)
        m_goods[row].tabType = m_page->kind;
    else
        m_finance[row].tabType = m_page->kind;
    const auto write = [&] {
        return m_goodsStyle ? store->SaveGoodsRow(m_goods.at(row)) : store->SaveFinanceRow(m_finance.at(row));
    };
    if (!change)
        return write();
    change->serial = Stored(row, LedgerKinds::SerialColumn);
    change->after = RowTexts(row);
    const QList<ChangeEntry> entries = ChangeEntries::Of(*change, *m_page, action);
    // Nothing changed: nothing to record, and the save needs no transaction.
    return entries.isEmpty() ? write() : ChangeLog::Record(write, entries);
}

void LedgerModel::MarkSaved(int row, bool saved)
{
    const bool was = m_states.at(row) & Failed;
    if (saved != was)
        return;
    m_states[row] = saved ? (m_states.at(row) & ~Failed) : (m_states.at(row) | Failed);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void LedgerModel::FillFromCode(int row)
{
    GoodsRecord &target = m_goods[row];
    const QString code = target.code.trimmed();
    if (code.isEmpty())
        return;
    StoreDbAccess *store = StoreDbAccess::Instance();
    GoodsList latest;
    if (!store->LatestGoodsWithCode(code, -1, target.serial, latest) || latest.isEmpty())
        return;
    GoodsRecord source = latest.last();
    if (m_page->kind == GoodsKind::Sale) {
        // A sale is priced as the last sale of the code was, not as it was bought.
        GoodsList sales;
        if (store->LatestGoodsWithCode(code, GoodsKind::Sale, target.serial, sales) && !sales.isEmpty())
            source.price = sales.last().price;
    }
    // Only empty cells: what the user typed stays. The warehouse too: Tab
    // passes over it, and stock is counted per warehouse, so a sale left
    // without one would take from a stock of nothing.
    for (int c :
         {1, 2, 3, 4, LedgerKinds::SizeColumn, LedgerKinds::WarehouseColumn, LedgerKinds::PriceColumn}) {
        if (target.text(c).isEmpty() && !source.text(c).isEmpty())
            target.setText(c, source.text(c));
    }
}

void LedgerModel::EmitRowChanged(int row, const QStringList &before)
{
    int first = -1;
    int last = -1;
    for (int c = 0; c < columnCount(); ++c) {
        if (Stored(row, c) != before.value(c)) {
            if (first < 0)
                first = c;
            last = c;
        }
    }
    if (first >= 0)
        emit dataChanged(index(row, first), index(row, last));
}

bool LedgerModel::DeriveRow(int row, int changedColumn)
{
    bool refused = false;
    if (m_goodsStyle) {
        GoodsRecord &r = m_goods[row];
        RowAmounts::Goods amounts{r.num, r.price, r.total, r.pay, r.debt};
        for (QString *cell : {&amounts.num, &amounts.price, &amounts.total, &amounts.pay, &amounts.debt}) {
            if (RowAmounts::IsRefused(*cell)) {
                cell->clear();
                refused = true;
            }
        }
        // A refused cell was no input: the row is derived from what is left.
        const RowAmounts::Changed changed =
            refused ? RowAmounts::Changed::None : RowAmounts::ChangedOfColumn(changedColumn);
        const RowAmounts::Goods derived = RowAmounts::Derive(amounts, changed);
        r.num = derived.num;
        r.price = derived.price;
        r.total = derived.total;
        r.pay = derived.pay;
        r.debt = derived.debt;
    } else if (RowAmounts::IsRefused(m_finance.at(row).sum)) {
        m_finance[row].sum.clear();
        refused = true;
    }
    return refused;
}

Result LedgerModel::SetCell(int row, int column, const QString &text)
{
    if (row < 0 || row >= rowCount())
        return Result::Fail(QStringLiteral("没有第 %1 行").arg(row + 1));
    if (!m_page->IsStored() || column <= LedgerKinds::SerialColumn || column >= columnCount())
        return Result::Fail(QStringLiteral("此列不能修改"));
    const QStringList before = RowTexts(row);
    const PageTotals::RowSums oldShare = RowShare(row);
    SetStored(row, column, text);

    if (m_goodsStyle && column == LedgerKinds::CodeColumn)
        FillFromCode(row);
    const bool refused = DeriveRow(row, column);

    LedgerChange change;
    change.row = row;
    change.column = column;
    change.before = before;
    const Result saved = SaveRow(row, &change, QStringLiteral("edit"));
    MarkSaved(row, saved.ok());
    EmitRowChanged(row, before);
    if (refused)
        emit NumberRefused(row, column);
    if (!saved)
        emit RowSaveFailed(row, saved.error());

    if (row < m_summed) {
        m_sums.Remove(oldShare);
        m_sums.Add(RowShare(row));
        if (m_totalsValid)
            emit TotalsChanged();
    } else if (!m_totalsValid && !m_summing) {
        ComputeTotals();
    }
    if (saved)
        emit CellEdited(row, column);
    if (saved && change.before != change.after)
        emit ChangeMade(change);
    return saved;
}

Result LedgerModel::AddRow(bool repeatAbove)
{
    if (!m_page->IsStored())
        return Result::Fail(QStringLiteral("此页不能增加行"));
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    if (m_goodsStyle) {
        GoodsRecord r;
        r.tabType = m_page->kind;
        r.serial = Now();
        r.time = today;
        m_goods.append(r);
    } else {
        // A new finance row is empty but for its serial and date.
        FinanceRecord r;
        for (int c = 0; c < FinanceRecord::TextCount; ++c)
            r.setText(c, QString());
        r.tabType = m_page->kind;
        r.serial = Now();
        r.time = today;
        m_finance.append(r);
    }
    m_states.append(0);
    if (repeatAbove && row > 0) {
        const QVector<int> repeated = m_goodsStyle ? QVector<int>{LedgerKinds::GoodsDateColumn, 8, 14, 15}
                                                   : QVector<int>{LedgerKinds::FinanceDateColumn, 4, 5};
        for (int c : repeated)
            SetStored(row, c, Stored(row - 1, c));
    }
    endInsertRows();
    LedgerChange change;
    change.kind = LedgerChange::Add;
    change.row = row;
    const Result saved = SaveRow(row, &change, QStringLiteral("add"));
    MarkSaved(row, saved.ok());
    if (!saved)
        emit RowSaveFailed(row, saved.error());
    if (m_totalsValid && m_summed == row) {
        m_sums.Add(RowShare(row));
        ++m_summed;
        emit TotalsChanged();
    } else if (!m_totalsValid && !m_summing) {
        ComputeTotals();
    }
    if (saved)
        emit ChangeMade(change);
    return saved;
}

Result LedgerModel::RemoveRow(int row)
{
    if (row < 0 || row >= rowCount())
        return Result::Fail(QStringLiteral("请选中相应行"));
    if (!m_page->IsStored())
        return Result::Fail(QStringLiteral("此页不能删除行"));
    StoreDbAccess *store = StoreDbAccess::Instance();
    LedgerChange change;
    change.kind = LedgerChange::Delete;
    change.serial = Stored(row, LedgerKinds::SerialColumn);
    change.row = row;
    change.before = RowTexts(row);
    const Result deleted = ChangeLog::Record(
        [&] {
            const Result done = m_goodsStyle ? store->DeleteGoodsRow(m_goods.at(row))
                                             : store->DeleteFinanceRow(m_finance.at(row));
            return done.Prefixed(QStringLiteral("删除失败，该行仍在数据库中："));
        },
        ChangeEntries::Of(change, *m_page, QStringLiteral("delete")));
    // A row the store still holds stays on the page, so the page never lies.
    if (!deleted)
        return deleted;
    PlaceRow(row, row, QStringList());
    emit ChangeMade(change);
    return Result::Ok();
}

Result LedgerModel::Clear()
{
    if (!m_page->IsStored())
        return Result::Fail(QStringLiteral("此页不能清空"));
    StoreDbAccess *store = StoreDbAccess::Instance();
    int stored = 0;
    const Result counted = StoredRow::Count(m_goodsStyle, m_page->kind, &stored);
    if (!counted)
        return counted.Prefixed(QStringLiteral("清空失败，数据未改动："));
    ChangeEntry entry;
    entry.page = m_page->tableName;
    entry.action = QStringLiteral("clear");
    entry.rows = stored;
    const Result deleted = ChangeLog::Record(
        [&] {
            const Result done =
                m_goodsStyle ? store->DeleteGoodsKind(m_page->kind) : store->DeleteFinanceKind(m_page->kind);
            return done.Prefixed(QStringLiteral("清空失败，数据未改动："));
        },
        {entry});
    if (!deleted)
        return deleted;
    if (m_goodsStyle)
        SetGoodsRows(GoodsList());
    else
        SetFinanceRows(FinanceList());
    ComputeTotals();
    return Result::Ok();
}
