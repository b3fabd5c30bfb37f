#pragma once

#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

// Sums of the rows currently shown on a page. Kept apart from the widgets so
// the arithmetic can be checked on plain texts.
namespace PageTotals {

// Columns 9-13 of one goods-style row: quantity, price, total, paid, unpaid.
struct GoodsRowTexts
{
    QString num;
    QString price;
    QString total;
    QString pay;
    QString debt;
};

struct GoodsSums
{
    double total = 0;
    double paid = 0;
    double unpaid = 0;
    // Rows whose total was empty or zero, with the quantity x price written for them.
    QVector<QPair<int, QString>> derivedTotals;
};

// Summed in double precision: a page of money must not lose cents.
GoodsSums SumGoods(const QVector<GoodsRowTexts> &rows);

// Column 2 of a finance page; texts that are not numbers count as 0.
double SumFinance(const QStringList &sums);

// The amounts (column 2) of the rows whose item (column 1) is `item`: a
// summary page's total is one of its rows, not the sum of all of them.
double SumOfItem(const QStringList &items, const QStringList &sums, const QString &item);

} // namespace PageTotals
