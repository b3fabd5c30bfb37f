#pragma once

#include "db/money.h"
#include "db/records.h"

#include <QString>
#include <QVector>

// 毛利统计: what the goods themselves earned in a period, per article (model
// and colour): sales net of sale returns, their cost at the moving-average
// purchase cost, the gross profit and margin, and what losses cost.
namespace GrossMargin {

struct Line
{
    QString model;
    QString color;
    QString name;  // of the article's latest row
    Money sold;    // sales less sale returns, in pieces
    Money revenue; // sale totals less sale-return totals
    Money cost;    // the pieces sold at cost, returns deducted
    Money lossQuantity;
    Money lossCost;
    int belowZero = 0; // sales that took more than was on the shelves

    Money Profit() const { return revenue - cost; }
};

struct Result
{
    QVector<Line> lines; // articles moved in the period, by model then colour
    Line total;          // every line summed
    int skipped = 0;     // rows whose quantity or price is not a number
};

// The query's conditions: a text the model contains, and one the salesperson
// (or, for a loss, the checker) contains; empty ones let every row pass.
struct Conditions
{
    QString model;
    QString seller;
};

// rows: goods rows of every kind up to the period's end, in any order (the
// costs are run in date then entry order). Rows before the period only move
// the averages. An empty from or to leaves that end open. Rows that fail the
// conditions still move the averages; they are only not shown.
Result Compute(const GoodsList &rows, const QString &from, const QString &to,
               const Conditions &conditions = Conditions());

// Gross profit as a percentage of revenue, two places; empty without revenue.
QString MarginText(const Money &profit, const Money &revenue);

// The page's rows: one per line, then the totals row, whose serial is
// TotalsItem() (the page's totals line shows that row).
QString TotalsItem();
GoodsList PageRows(const Result &result);

// The text indices of a goods row the computation reads.
QVector<int> NeededTexts();

// The period's page rows from the calling thread's store; false, with the
// reason, when the read failed. Date modes as the goods store reads them.
bool Report(int dateMode, const QString &dateFrom, const QString &dateTo, const Conditions &conditions,
            GoodsList &rows, QString *error);

} // namespace GrossMargin
