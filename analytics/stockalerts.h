#pragma once

#include "db/money.h"
#include "db/records.h"
#include "db/result.h"
#include "db/stockrules.h"

#include <QList>
#include <QString>
#include <QVector>

// 库存预警: the articles whose stock is at or below the minimum set for them.
namespace StockAlerts {

struct Alert
{
    QString model;
    QString color;
    QString name; // of the article's latest row
    Money left;   // purchases and sale returns less returns, sales and losses
    Money minimum;
    QString lastSale; // date of the latest sale, empty when never sold
};

// rows: goods rows of every kind, in any order. One alert per rule whose
// article has no more than its minimum left (an article never entered has 0).
QVector<Alert> Compute(const GoodsList &rows, const QList<StockRule> &rules);

// One goods-shaped row per alert for the page.
GoodsList PageRows(const QVector<Alert> &alerts);

// The alerts of the calling thread's store, read now.
Result Read(QVector<Alert> *alerts);

// The text of the login box: "N 种商品库存不足".
QString LoginText(int count);

} // namespace StockAlerts
