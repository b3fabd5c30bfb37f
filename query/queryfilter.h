#pragma once

#include "db/records.h"

#include <QString>
#include <QStringList>
#include <QVector>

// The text conditions of the query dialog and the filters they drive. One
// table per condition page says which widget holds a condition and which
// record column it is compared with; the dialog, the filters and the tests
// all read these tables.
namespace QueryFilter {

struct ConditionField
{
    int column;     // record text index (= table column)
    QString widget; // object name of the condition widget in the query dialog
    QString label;  // label in front of it
    bool editLine;  // a plain line edit rather than a combo
};

// Goods pages (stored kinds and current stock): 11 conditions.
const QVector<ConditionField> &GoodsFields();
// The sales-statistics page: model and salesperson / distributor.
const QVector<ConditionField> &SalesFields();
// Finance pages (stored kinds and profit): 5 conditions.
const QVector<ConditionField> &FinanceFields();

// An empty condition passes; any other passes when the field contains it,
// case-sensitively.
bool Matches(const QString &field, const QString &condition);

// conditions[i] belongs to fields[i]; missing entries count as empty.
bool Passes(const GoodsRecord &record, const QVector<ConditionField> &fields, const QStringList &conditions);
bool Passes(const FinanceRecord &record, const QVector<ConditionField> &fields,
            const QStringList &conditions);

// The rows that pass every condition, in list order.
GoodsList FilterGoods(const GoodsList &rows, const QStringList &conditions);
GoodsList FilterSales(const GoodsList &rows, const QStringList &conditions);
FinanceList FilterFinance(const FinanceList &rows, const QStringList &conditions);

} // namespace QueryFilter
