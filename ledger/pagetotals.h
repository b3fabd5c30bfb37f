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

// What one row adds to its page's totals (a finance row only has a total).
struct RowSums
{
    double total = 0;
    double paid = 0;
    double unpaid = 0;
};

// A goods row's share: its total, or quantity x price when the total is empty
// or zero; then derivedTotal (when given) gets that product's text if it
// differs from the cell, else it is left empty.
RowSums GoodsRow(const GoodsRowTexts &row, QString *derivedTotal = nullptr);
RowSums FinanceRow(const QString &sum);

// A sum kept exactly (as non-overlapping partial sums), so that taking a row
// out again gives the very figure a sum without that row gives: page totals
// kept up to date edit by edit never drift from a fresh recomputation.
class ExactSum
{
public:
    void Add(double value);
    // The exact sum rounded once to the nearest double.
    double Value() const;

private:
    QVector<double> m_partials;
};

// The three running sums of a page.
struct Sums
{
    ExactSum total;
    ExactSum paid;
    ExactSum unpaid;

    void Add(const RowSums &row)
    {
        total.Add(row.total);
        paid.Add(row.paid);
        unpaid.Add(row.unpaid);
    }
    void Remove(const RowSums &row)
    {
        total.Add(-row.total);
        paid.Add(-row.paid);
        unpaid.Add(-row.unpaid);
    }
};

struct GoodsSums
{
    double total = 0;
    double paid = 0;
    double unpaid = 0;
    // Rows whose total was empty or zero, with the quantity x price written for them.
    QVector<QPair<int, QString>> derivedTotals;
};

GoodsSums SumGoods(const QVector<GoodsRowTexts> &rows);

// Column 2 of a finance page; texts that are not numbers count as 0.
double SumFinance(const QStringList &sums);

// The amounts (column 2) of the rows whose item (column 1) is `item`: a
// summary page's total is one of its rows, not the sum of all of them.
double SumOfItem(const QStringList &items, const QStringList &sums, const QString &item);

} // namespace PageTotals
