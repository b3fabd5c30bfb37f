#include "query/ownerreports.h"

#include "analytics/stockvalue.h"
#include "db/chainstore.h"
#include "db/storedbaccess.h"
#include "ledger/ledgerkinds.h"

namespace OwnerReports {

int PageKindOf(Reports::Kind kind)
{
    switch (kind) {
    case Reports::Kind::Margin: return LedgerKinds::MarginKind;
    case Reports::Kind::Alerts: return LedgerKinds::StockAlertKind;
    case Reports::Kind::Stores: return LedgerKinds::ChainKind;
    default: return -1;
    }
}

bool ChainAllowed(QString *why)
{
    if (!ChainStore::Stores().isEmpty())
        return true;
    *why = QStringLiteral("全店汇总不可用: dBConfig.ini 的 [Chain] Stores 没有列出店号");
    return false;
}

Reports::Table StockValue(int dateMode, const QString &from, const QString &to)
{
    Reports::Table table;
    table.titles =
        QStringList{QStringLiteral("商品型号"), QStringLiteral("商品色号"), QStringLiteral("商品名称"),
                    QStringLiteral("库存数目"), QStringLiteral("平均成本"), QStringLiteral("库存金额")};
    QString first, last;
    if (dateMode != 5) {
        StoreDbAccess::PeriodBounds(dateMode, from, to, first, last);
        if (last.isEmpty()) {
            table.error = QStringLiteral("日期不对: %1").arg(to);
            return table;
        }
    }
    GoodsList rows;
    QString error;
    if (!StockValue::ReadCosts(QString(), nullptr, &rows, &error)) {
        table.error = QStringLiteral("读取数据库失败: ") + error;
        return table;
    }
    const StockValue::Result result = StockValue::Compute(rows, last);
    for (const StockValue::Line &l : result.lines)
        table.rows.append(
            QStringList{l.model, l.color, l.name, l.quantity.ToText(), l.average.ToText(), l.value.ToText()});
    QStringList total{QStringLiteral("合计"),         QString(), QString(),
                      result.total.quantity.ToText(), QString(), result.total.value.ToText()};
    table.rows.append(total);
    table.ok = true;
    return table;
}

} // namespace OwnerReports
