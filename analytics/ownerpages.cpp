#include "analytics/ownerpages.h"

#include "analytics/chainsummary.h"
#include "analytics/grossmargin.h"
#include "analytics/stockalerts.h"
#include "db/chainstore.h"
#include "ledger/ledgerkinds.h"

namespace OwnerPages {

bool Report(int kind, int dateMode, const QString &dateFrom, const QString &dateTo, int userType,
            const QStringList &conditions, GoodsList &rows, QString *error)
{
    rows.clear();
    switch (kind) {
    case LedgerKinds::MarginKind:
        return GrossMargin::Report(dateMode, dateFrom, dateTo, {conditions.value(0), conditions.value(1)},
                                   rows, error);
    case LedgerKinds::StockAlertKind: {
        // Today's stock, whatever the period.
        QVector<StockAlerts::Alert> alerts;
        const Result read = StockAlerts::Read(&alerts);
        if (!read && error)
            *error = read.error();
        rows = StockAlerts::PageRows(alerts);
        return read.ok();
    }
    case LedgerKinds::ChainKind:
        return ChainSummary::Report(dateMode, dateFrom, dateTo, userType, ChainStore::Stores(), rows, error);
    default: break;
    }
    if (error)
        *error = QStringLiteral("没有可查询的页面");
    return false;
}

} // namespace OwnerPages
