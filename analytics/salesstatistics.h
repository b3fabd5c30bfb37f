#pragma once

#include "db/records.h"

#include <QString>

class StoreDbAccess;

// The sales-statistics pages: sales of a period net of their returns, and the
// summaries built on them (per day, salesperson, customer; money owed).
namespace SalesStatistics {

// Pages of the sales statistics stack, by kind.
enum View : int { SalesRows = 0, Daily = 1, Employee = 2, Customer = 3, Debts = 4 };
constexpr int ViewCount = 5;

// The group label of rows whose name or date is blank.
QString BlankName();

// Text conditions of the sales query; an empty condition lets every row pass.
struct SalesConditions
{
    QString model;  // contained in the model
    QString seller; // contained in the salesperson / distributor field
};

// Deducts every return from every sale with the same model, customer and
// salesperson: quantity and total go down by the return's, and the sale's
// remark notes each deduction in return order (unless withNotes is false:
// the summaries never show them). Returns are taken whatever their date; a
// return that matches no sale changes nothing. Linear in the rows: the
// returns of a key are summed once, exactly, and subtracted once.
void DeductReturns(GoodsList &sales, const GoodsList &returns, bool withNotes = true);

bool Passes(const GoodsRecord &sale, const SalesConditions &conditions);

// The sales that pass the conditions, in list order.
GoodsList FilterSales(const GoodsList &sales, const SalesConditions &conditions);

// Summary rows are goods-shaped so that the page's totals, export, print and
// chart work on them as on sale rows: text 0 the group (day, salesperson,
// customer or supplier; BlankName() for blanks), num the quantity, total the
// amount, pay and debt the paid and unpaid sums, oddNum the number of rows.
// Debt rows also carry code "应收" or "应付" and, in remark, the oldest date
// with an unpaid amount, left empty when nothing is owed on balance.

// One row per day (date order), salesperson or customer (amount, largest
// first, then name) of sales whose returns are already deducted. Linear.
GoodsList Summarize(int view, const GoodsList &sales);

// Money owed, from goods rows of any kinds (others are skipped): per customer
// the sales less the sale returns (receivable, "应收"), then per supplier the
// purchases less the purchase returns (payable, "应付"), each by unpaid,
// largest first. Payable figures are negative, so the page's totals give what
// the shop is owed net of what it owes.
GoodsList SummarizeDebts(const GoodsList &rows);

// The closing rows of a debt summary: "应收合计" and "应付合计" (the
// receivable and the payable rows summed, the payable ones negative as
// shown) and "净额", what the shop is owed less what it owes. Group name in
// serial, figures in total, pay and debt, the number of rows in oddNum.
GoodsList DebtTotals(const GoodsList &debtRows);

// The period's sales (of the calling thread's connection and store) with every
// stored return of any date deducted and noted in the remarks; without notes,
// for a summary, only the fields a summary reads (model, date, amounts,
// customer, salesperson). False with a reason when a read failed.
bool ReadDeductedSales(StoreDbAccess *store, int dateMode, const QString &dateFrom, const QString &dateTo,
                       GoodsList &sales, QString *error, bool withNotes = true);

// One page of the stack as the query computes it: the deducted sales (or, for
// Debts, every goods row of the period) filtered by the conditions, then
// summarised. Date modes and dates are those of the goods store.
bool Report(int view, int dateMode, const QString &dateFrom, const QString &dateTo,
            const SalesConditions &conditions, GoodsList &rows, QString *error);

} // namespace SalesStatistics
