#pragma once

#include "analytics/movingaverage.h"
#include "db/money.h"
#include "db/records.h"

#include <QString>
#include <QVector>

// What the stock on the shelves is worth: every article's quantity at its
// moving-average purchase cost.
namespace StockValue {

struct Line
{
    QString model;
    QString color;
    QString name; // of the article's latest row
    Money quantity;
    Money average;
    Money value;
};

struct Result
{
    QVector<Line> lines; // articles with stock (or a shortfall), by model then colour
    Line total;          // quantities and values summed
    int skipped = 0;     // rows whose quantity or price is not a number
};

// The costs of goods rows of every kind, in any order, up to and including
// the day upTo (empty: every row).
MovingAverage CostsUpTo(const GoodsList &rows, const QString &upTo);

Result Compute(const GoodsList &rows, const QString &upTo);

// The stock page's two figures after its own columns: each stock row's
// average cost and its quantity at that cost, from costs. Held in the paid
// and unpaid texts, which a stock row never shows (the page maps them to its
// last two columns); emptied for a user who sees no prices.
void FillStockRows(GoodsList &stockRows, const MovingAverage &costs, bool showPrices);

// The stock page's figures for its rows, at the costs up to the end of the
// period (the goods store's date modes); false, with the reason, when the read failed.
bool AddToStockRows(GoodsList &stockRows, int dateMode, const QString &dateFrom, const QString &dateTo,
                    int userType, QString *error);

// The costs of every row of the calling thread's store; false, with the
// reason, when the read failed.
bool ReadCosts(const QString &upTo, MovingAverage *costs, GoodsList *rows, QString *error);

} // namespace StockValue
