#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// The computed pages (current stock, sales statistics and its summaries per
// day, salesperson and customer and of money owed, finance summary with the
// profit) as tables of texts: what the page shows after a query without
// conditions, computed by the query's own code.
namespace Reports {

enum class Kind { Stock, Sales, Profit, Daily, Employee, Customer, Debts, Margin, Value, Alerts, Stores };

// "stock", "sales", "profit", "daily", "employee", "customer", "debts",
// "margin", "value", "alerts" or "stores".
bool KindFromName(const QString &name, Kind *kind);

struct Table
{
    bool ok = false;
    QString error;
    QStringList titles;        // the page's column titles (the columns it shows)
    QVector<QStringList> rows; // the page's cells, row by row
};

// dateMode and dates as the store reads them (5: every row). Stock rows keep
// their prices, as the super user sees them. With closingRows the debts
// table ends with what its page's totals line shows: "应收合计", "应付合计"
// and "净额" (an export writes the page's rows only).
Table Compute(Kind kind, int dateMode, const QString &from, const QString &to, bool closingRows = false);

// UTF-8 CSV: the titles, then the rows; fields holding a comma, a quote or a
// line break are quoted, quotes doubled. Lines end with "\n".
QByteArray Csv(const Table &table);

} // namespace Reports
