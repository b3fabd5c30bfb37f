#pragma once

#include "db/money.h"

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
    Money total;
    Money paid;
    Money unpaid;
};

// A goods row's share: its total, or quantity x price when the total is empty
// or zero; then derivedTotal (when given) gets that product's text if it
// differs from the cell, else it is left empty.
RowSums GoodsRow(const GoodsRowTexts &row, QString *derivedTotal = nullptr);
RowSums FinanceRow(const QString &sum);

// A running sum. Money adds exactly, so taking a row out again gives the
// very figure a sum without that row gives: page totals kept up to date edit
// by edit never drift from a fresh recomputation.
class ExactSum
{
public:
    void Add(const Money &value) { m_sum += value; }
    Money Value() const { return m_sum; }

private:
    Money m_sum;
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
    Money total;
    Money paid;
    Money unpaid;
    // Rows whose total was empty or zero, with the quantity x price written for them.
    QVector<QPair<int, QString>> derivedTotals;
};

GoodsSums SumGoods(const QVector<GoodsRowTexts> &rows);

// Column 2 of a finance page; texts that are not numbers count as 0.
Money SumFinance(const QStringList &sums);

// A row of the 欠款统计 page by its 类别 ("应收" or "应付") and balance: the
// page's three totals are 应收合计 (in total), 应付合计 (in paid) and the net
// 净额 (in unpaid). Payable balances are negative, as the page shows them.
RowSums DebtRow(const QString &side, const QString &balance);

// The amounts (column 2) of the rows whose item (column 1) is `item`: a
// summary page's total is one of its rows, not the sum of all of them.
Money SumOfItem(const QStringList &items, const QStringList &sums, const QString &item);

} // namespace PageTotals
