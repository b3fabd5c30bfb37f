#pragma once

#include "db/records.h"

#include <QString>
#include <QStringList>

// The owner's pages of the sales statistics stack (毛利统计, 库存预警,
// 全店汇总) as the query computes them: one entry for the window's query and
// for the reports.
namespace OwnerPages {

// The page rows of a kind (LedgerKinds::MarginKind ...), dates as the goods
// store reads them; conditions (model, salesperson) narrow 毛利统计. False,
// with the reason, when a read failed or the user may not see the page.
bool Report(int kind, int dateMode, const QString &dateFrom, const QString &dateTo, int userType,
            const QStringList &conditions, GoodsList &rows, QString *error);

} // namespace OwnerPages
