#pragma once

#include "db/records.h"

#include <QString>

// The sales-statistics page: sales of a period net of their returns.
namespace SalesStatistics {

// Text conditions of the sales query; an empty condition lets every row pass.
struct SalesConditions
{
    QString model;  // contained in the model
    QString seller; // contained in the salesperson / distributor field
};

// Deducts every return from every sale with the same model, customer and
// salesperson: quantity and total go down by the return's, and the sale's
// remark notes the deduction. Returns are taken whatever their date; a return
// that matches no sale changes nothing.
void DeductReturns(GoodsList &sales, const GoodsList &returns);

bool Passes(const GoodsRecord &sale, const SalesConditions &conditions);

// The sales that pass the conditions, in list order.
GoodsList FilterSales(const GoodsList &sales, const SalesConditions &conditions);

} // namespace SalesStatistics
