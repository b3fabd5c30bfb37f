// Taking a change back and making it again: the store first, checked against
// what the change left there, then the page.
#include "ledger/ledgermodel.h"

#include "db/changelog.h"
#include "db/storedbaccess.h"
#include "db/storedrow.h"
#include "ledger/ledgerkinds.h"

namespace {

template <typename Record>
Record FromTexts(const QStringList &texts, int tabType)
{
    Record r;
    r.tabType = tabType;
    for (int i = 0; i < Record::TextCount; ++i)
        r.setText(i, texts.value(i));
    return r;
}

} // namespace

Result LedgerModel::Undo(const LedgerChange &change) { return Apply(change, true); }

Result LedgerModel::Redo(const LedgerChange &change) { return Apply(change, false); }

int LedgerModel::RowOfSerial(const QString &serial) const
{
    for (int row = 0; row < rowCount(); ++row)
        if (Stored(row, LedgerKinds::SerialColumn) == serial)
            return row;
    return -1;
}

Result LedgerModel::Apply(const LedgerChange &change, bool undo)
{
    if (!m_page->IsStored() || change.serial.isEmpty())
        return Result::Fail(QStringLiteral("此页没有可撤销的修改"));
    LedgerChange applied = change;
    applied.before = undo ? change.after : change.before;
    applied.after = undo ? change.before : change.after;
    static const char *const actions[] = {"edit", "add", "delete"};
    const QString action = undo ? QStringLiteral("undo") : QLatin1String(actions[change.kind]);
    const QString verb = undo ? QStringLiteral("撤销") : QStringLiteral("重做");
    StoreDbAccess *store = StoreDbAccess::Instance();
    const int kind = m_page->kind;
    const auto write = [&]() -> Result {
        // Read inside the transaction: no other write can come between the
        // check and ours.
        QStringList now;
        const Result read = StoredRow::Read(m_goodsStyle, kind, change.serial, &now);
        if (!read)
            return read.Prefixed(QStringLiteral("无法%1：").arg(verb));
        if (now != applied.before)
            return Result::Fail(
                QStringLiteral("无法%1：该行已在别处被修改或删除，页面和数据库都未改动").arg(verb));
        Result done = Result::Ok();
        if (applied.after.isEmpty())
            done = m_goodsStyle ? store->DeleteGoodsRow(FromTexts<GoodsRecord>(now, kind))
                                : store->DeleteFinanceRow(FromTexts<FinanceRecord>(now, kind));
        else
            done = m_goodsStyle ? store->SaveGoodsRow(FromTexts<GoodsRecord>(applied.after, kind))
                                : store->SaveFinanceRow(FromTexts<FinanceRecord>(applied.after, kind));
        return done.Prefixed(QStringLiteral("无法%1：").arg(verb));
    };
    const Result done = ChangeLog::Record(write, ChangeEntries::Of(applied, *m_page, action));
    if (!done)
        return done;
    PlaceRow(RowOfSerial(change.serial), change.row, applied.after);
    return Result::Ok();
}

void LedgerModel::PlaceRow(int row, int at, const QStringList &texts)
{
    if (texts.isEmpty()) {
        if (row < 0)
            return;
        const PageTotals::RowSums share = RowShare(row);
        beginRemoveRows(QModelIndex(), row, row);
        if (m_goodsStyle)
            m_goods.removeAt(row);
        else
            m_finance.removeAt(row);
        m_states.removeAt(row);
        endRemoveRows();
        if (row < m_summed) {
            m_sums.Remove(share);
            --m_summed;
        }
    } else if (row < 0) {
        row = qBound(0, at, rowCount());
        beginInsertRows(QModelIndex(), row, row);
        if (m_goodsStyle)
            m_goods.insert(row, FromTexts<GoodsRecord>(texts, m_page->kind));
        else
            m_finance.insert(row, FromTexts<FinanceRecord>(texts, m_page->kind));
        m_states.insert(row, 0);
        endInsertRows();
        // Rows before m_summed are in the sums; one put among them joins them.
        if (row < m_summed || (m_totalsValid && row == m_summed)) {
            m_sums.Add(RowShare(row));
            ++m_summed;
        }
    } else {
        const QStringList before = RowTexts(row);
        const PageTotals::RowSums oldShare = RowShare(row);
        for (int c = 0; c < texts.size(); ++c)
            SetStored(row, c, texts.at(c));
        MarkSaved(row, true);
        EmitRowChanged(row, before);
        if (row < m_summed) {
            m_sums.Remove(oldShare);
            m_sums.Add(RowShare(row));
        }
    }
    if (m_totalsValid)
        emit TotalsChanged();
    else if (!m_summing)
        ComputeTotals();
}
