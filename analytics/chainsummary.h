#pragma once

#include "db/money.h"
#include "db/records.h"

#include <QString>
#include <QStringList>
#include <QVector>

// 全店汇总: for a chain whose stores share one database, one line per store
// of a period. Only the super user of an installation whose settings name
// the stores ever sees it.
namespace ChainSummary {

struct StoreLine
{
    QString storeNo;
    Money sales;      // sale totals less sale-return totals
    Money profit;     // the gross profit of those sales at moving-average cost
    Money stockValue; // at the end of the period
    Money receivable; // unpaid on sales less sale returns
    Money payable;    // unpaid on purchases less purchase returns
    int rows = 0;     // goods and finance rows dated in the period
};

// One store's line from its goods rows (all time, any order) and the number
// of its finance rows in the period; from and to as GrossMargin::Compute.
StoreLine Compute(const QString &storeNo, const GoodsList &goods, int financeRows, const QString &from,
                  const QString &to);

// One row per store, then "合计": store in serial, sales in total, stock value
// in paid, gross profit in unpaid, receivable in the customer text, payable in
// the salesperson text, rows in oddNum.
GoodsList PageRows(const QVector<StoreLine> &lines);

// The page for the stores of the settings; refused for any user but the
// super user and without the setting.
bool Report(int dateMode, const QString &dateFrom, const QString &dateTo, int userType,
            const QStringList &stores, GoodsList &rows, QString *error);

} // namespace ChainSummary
