#pragma once

#include "db/money.h"
#include "db/records.h"

#include <QString>

// Current stock, computed from the goods ledgers each time the stock page is
// queried. Nothing here touches the database or any widget.
namespace StockCompute {

// The user type whose stock rows keep their prices and amounts.
constexpr int SuperUserType = 1;

// Entry of the stock page's model selector that shows every row.
QString AllModelsText();

// Stock rows of the goods rows (all kinds, in the order the store returned
// them): purchase-ins of one article (model, colour, warehouse) merged into one
// row, then every movement applied in read order. Adjustments and anomalies are
// noted in the remark; a movement that found no stock room for it is appended
// as its own row with a "not found" remark. Users other than the super user
// get the price and amounts of every merged or adjusted row emptied.
GoodsList ComputeStock(const GoodsList &rows, int userType);

// What the stock page would show of one article: the quantity left in its
// stock rows once its rows (all kinds, read order) are applied, exactly.
Money ArticleLeft(const GoodsList &articleRows);
// ArticleLeft as the double its text reads as, for callers comparing doubles.
double ArticleStock(const GoodsList &articleRows);

// The rows of one model (exact match); AllModelsText() or an empty text keeps all.
GoodsList FilterByModel(const GoodsList &stockRows, const QString &model);

} // namespace StockCompute
