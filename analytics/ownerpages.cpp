#include "analytics/ownerpages.h"

#include "analytics/grossmargin.h"
#include "ledger/ledgerkinds.h"

namespace OwnerPages {

bool Report(int kind, int dateMode, const QString &dateFrom, const QString &dateTo, int userType,
            GoodsList &rows, QString *error)
{
    rows.clear();
    switch (kind) {
    case LedgerKinds::MarginKind: return GrossMargin::Report(dateMode, dateFrom, dateTo, rows, error);
    default: break;
    }
    Q_UNUSED(userType)
    if (error)
        *error = QStringLiteral("没有可查询的页面");
    return false;
}

} // namespace OwnerPages
