#include "analytics/chainsummary.h"

#include "analytics/grossmargin.h"
#include "analytics/stockvalue.h"
#include "db/chainstore.h"
#include "db/storedbaccess.h"

namespace ChainSummary {

StoreLine Compute(const QString &storeNo, const GoodsList &goods, int financeRows, const QString &from,
                  const QString &to)
{
    StoreLine line;
    line.storeNo = storeNo;
    const GrossMargin::Result margin = GrossMargin::Compute(goods, from, to);
    line.sales = margin.total.revenue;
    line.profit = margin.total.Profit();
    line.stockValue = StockValue::Compute(goods, to).total.value;
    line.rows = financeRows;
    for (const GoodsRecord &r : goods) {
        if ((!from.isEmpty() && QString::compare(r.time, from) < 0)
            || (!to.isEmpty() && QString::compare(r.time, to) > 0))
            continue;
        ++line.rows;
        const Money unpaid = Money::FromText(r.debt);
        switch (r.tabType) {
        case GoodsKind::Sale: line.receivable += unpaid; break;
        case GoodsKind::SaleReturn: line.receivable -= unpaid; break;
        case GoodsKind::PurchaseIn: line.payable += unpaid; break;
        case GoodsKind::PurchaseReturn: line.payable -= unpaid; break;
        default: break;
        }
    }
    return line;
}

GoodsList PageRows(const QVector<StoreLine> &lines)
{
    StoreLine total;
    total.storeNo = GrossMargin::TotalsItem();
    GoodsList rows;
    const auto row = [](const StoreLine &l) {
        GoodsRecord r;
        r.tabType = GoodsKind::Sale;
        r.serial = l.storeNo;
        r.total = l.sales.ToText();
        r.pay = l.stockValue.ToText();
        r.debt = l.profit.ToText();
        r.supply = l.receivable.ToText();
        r.purchase = l.payable.ToText();
        r.oddNum = QString::number(l.rows);
        return r;
    };
    for (const StoreLine &l : lines) {
        rows.append(row(l));
        total.sales += l.sales;
        total.profit += l.profit;
        total.stockValue += l.stockValue;
        total.receivable += l.receivable;
        total.payable += l.payable;
        total.rows += l.rows;
    }
    rows.append(row(total));
    return rows;
}

bool Report(int dateMode, const QString &dateFrom, const QString &dateTo, int userType,
            const QStringList &stores, GoodsList &rows, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (userType != 1)
        return fail(QStringLiteral("全店汇总只对超级用户开放"));
    if (stores.isEmpty())
        return fail(QStringLiteral("dBConfig.ini 的 [Chain] Stores 没有列出店号"));
    QString from, to;
    if (dateMode != 5) {
        StoreDbAccess::PeriodBounds(dateMode, dateFrom, dateTo, from, to);
        if (from.isEmpty() || to.isEmpty())
            return fail(QStringLiteral("日期不对: %1 %2").arg(dateFrom, dateTo));
    }
    QVector<StoreLine> lines;
    for (const QString &storeNo : stores) {
        GoodsList goods;
        int finance = 0;
        Result read = ChainStore::ReadGoods(storeNo, &goods);
        if (read)
            read = ChainStore::CountFinance(storeNo, from, to, &finance);
        if (!read)
            return fail(QStringLiteral("店号 %1: %2").arg(storeNo, read.error()));
        lines.append(Compute(storeNo, goods, finance, from, to));
    }
    rows = PageRows(lines);
    return true;
}

} // namespace ChainSummary
