#include "query/queryfilter.h"

namespace QueryFilter {

namespace {

template <typename Record>
bool PassesAll(const Record &record, const QVector<ConditionField> &fields, const QStringList &conditions)
{
    for (int i = 0; i < fields.size() && i < conditions.size(); ++i) {
        if (!Matches(record.text(fields.at(i).column), conditions.at(i)))
            return false;
    }
    return true;
}

template <typename List>
List FilterBy(const List &rows, const QVector<ConditionField> &fields, const QStringList &conditions)
{
    List out;
    for (const auto &r : rows) {
        if (PassesAll(r, fields, conditions))
            out.append(r);
    }
    return out;
}

} // namespace

const QVector<ConditionField> &GoodsFields()
{
    static const QVector<ConditionField> fields = {
        {1, QStringLiteral("comboBox"), QStringLiteral("商品类目"), false},
        {2, QStringLiteral("comboBox_2"), QStringLiteral("商品名称"), false},
        {3, QStringLiteral("comboBox_3"), QStringLiteral("商品型号"), false},
        {4, QStringLiteral("comboBox_4"), QStringLiteral("商品色号"), false},
        {6, QStringLiteral("comboBox_5"), QStringLiteral("商品规格"), false},
        {14, QStringLiteral("comboBox_6"), QStringLiteral("供货商/客户"), false},
        {15, QStringLiteral("comboBox_7"), QStringLiteral("销售/经手人"), false},
        {17, QStringLiteral("comboBox_8"), QStringLiteral("录入人员"), false},
        {5, QStringLiteral("lineEdit"), QStringLiteral("商品编码"), true},
        {8, QStringLiteral("lineEdit_2"), QStringLiteral("仓库"), true},
        {16, QStringLiteral("lineEdit_3"), QStringLiteral("单号"), true},
    };
    return fields;
}

const QVector<ConditionField> &SalesFields()
{
    static const QVector<ConditionField> fields = {
        {3, QStringLiteral("comboBox_9"), QStringLiteral("商品型号"), false},
        {15, QStringLiteral("comboBox_10"), QStringLiteral("销售人员/分销商"), false},
    };
    return fields;
}

const QVector<ConditionField> &FinanceFields()
{
    static const QVector<ConditionField> fields = {
        {1, QStringLiteral("comboBox_31"), QStringLiteral("款项"), false},
        {4, QStringLiteral("comboBox_32"), QStringLiteral("供货商/客户"), false},
        {5, QStringLiteral("comboBox_33"), QStringLiteral("销售/经手人"), false},
        {7, QStringLiteral("comboBox_34"), QStringLiteral("录入人员"), false},
        {6, QStringLiteral("lineEdit_5"), QStringLiteral("单号"), true},
    };
    return fields;
}

bool Matches(const QString &field, const QString &condition)
{
    return condition.isEmpty() || field.contains(condition, Qt::CaseSensitive);
}

bool Passes(const GoodsRecord &record, const QVector<ConditionField> &fields, const QStringList &conditions)
{
    return PassesAll(record, fields, conditions);
}

bool Passes(const FinanceRecord &record, const QVector<ConditionField> &fields, const QStringList &conditions)
{
    return PassesAll(record, fields, conditions);
}

GoodsList FilterGoods(const GoodsList &rows, const QStringList &conditions)
{
    return FilterBy(rows, GoodsFields(), conditions);
}

GoodsList FilterSales(const GoodsList &rows, const QStringList &conditions)
{
    return FilterBy(rows, SalesFields(), conditions);
}

FinanceList FilterFinance(const FinanceList &rows, const QStringList &conditions)
{
    return FilterBy(rows, FinanceFields(), conditions);
}

} // namespace QueryFilter
