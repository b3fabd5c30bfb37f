#include "ctl/ctlpages.h"

#include "analytics/salesstatistics.h"
#include "exchange/ledgerexchange.h"
#include "ledger/ledgerkinds.h"

#include <QStringList>

namespace Ctl {

Page FindPage(const QString &name)
{
    Page page;
    page.ledger = LedgerKinds::FindByTable(name);
    if (!page.ledger)
        page.list = ListRows::Find(name);
    return page;
}

bool IsStoredLedger(const LedgerKinds::PageKind *p)
{
    return p && p->IsStored() && p->group != LedgerKinds::Group::Sales;
}

int ExchangeKind(const LedgerKinds::PageKind *p)
{
    return p->group == LedgerKinds::Group::Finance ? LedgerExchange::FinancePage : LedgerExchange::GoodsPage;
}

QString PageNamesHelp()
{
    QStringList stored, computed;
    for (const LedgerKinds::PageKind &p : LedgerKinds::Pages())
        (IsStoredLedger(&p) ? stored : computed) << p.tableName;
    return QStringLiteral("账页: %1\n计算页(只能导出): %2\n列表: %3")
        .arg(stored.join(QLatin1Char(' ')), computed.join(QLatin1Char(' ')),
             ListRows::Names().join(QStringLiteral(", ")));
}

bool ReportOfPage(const LedgerKinds::PageKind *p, Reports::Kind *kind)
{
    if (!p || IsStoredLedger(p))
        return false;
    if (p->group == LedgerKinds::Group::Sales)
        *kind = p->kind == LedgerKinds::MarginKind   ? Reports::Kind::Margin
            : p->kind == LedgerKinds::StockAlertKind ? Reports::Kind::Alerts
            : p->kind == LedgerKinds::ChainKind      ? Reports::Kind::Stores
            : p->kind == SalesStatistics::Daily      ? Reports::Kind::Daily
            : p->kind == SalesStatistics::Employee   ? Reports::Kind::Employee
            : p->kind == SalesStatistics::Customer   ? Reports::Kind::Customer
            : p->kind == SalesStatistics::Debts      ? Reports::Kind::Debts
                                                     : Reports::Kind::Sales;
    else if (p->group == LedgerKinds::Group::Goods)
        *kind = Reports::Kind::Stock;
    else
        *kind = Reports::Kind::Profit;
    return true;
}

} // namespace Ctl
