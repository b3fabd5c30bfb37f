#include "db/records.h"

namespace {

using GoodsField = QString GoodsRecord::*;
constexpr GoodsField kGoodsFields[GoodsRecord::TextCount] = {
    &GoodsRecord::serial, &GoodsRecord::productClass, &GoodsRecord::name, &GoodsRecord::model,
    &GoodsRecord::color,  &GoodsRecord::code,         &GoodsRecord::size, &GoodsRecord::time,
    &GoodsRecord::store,  &GoodsRecord::num,          &GoodsRecord::price, &GoodsRecord::total,
    &GoodsRecord::pay,    &GoodsRecord::debt,         &GoodsRecord::supply, &GoodsRecord::purchase,
    &GoodsRecord::oddNum, &GoodsRecord::record,       &GoodsRecord::remark,
};

using FinanceField = QString FinanceRecord::*;
constexpr FinanceField kFinanceFields[FinanceRecord::TextCount] = {
    &FinanceRecord::serial, &FinanceRecord::item,   &FinanceRecord::sum,
    &FinanceRecord::time,   &FinanceRecord::client, &FinanceRecord::sale,
    &FinanceRecord::cert,   &FinanceRecord::record, &FinanceRecord::remark,
};

const QString &emptyText()
{
    static const QString empty;
    return empty;
}

} // namespace

const QString &GoodsRecord::text(int i) const
{
    if (i < 0 || i >= TextCount)
        return emptyText();
    return this->*kGoodsFields[i];
}

void GoodsRecord::setText(int i, const QString &value)
{
    if (i >= 0 && i < TextCount)
        this->*kGoodsFields[i] = value;
}

bool GoodsRecord::operator==(const GoodsRecord &o) const
{
    if (tabType != o.tabType)
        return false;
    for (int i = 0; i < TextCount; ++i)
        if (text(i) != o.text(i))
            return false;
    return true;
}

const QString &FinanceRecord::text(int i) const
{
    if (i < 0 || i >= TextCount)
        return emptyText();
    return this->*kFinanceFields[i];
}

void FinanceRecord::setText(int i, const QString &value)
{
    if (i >= 0 && i < TextCount)
        this->*kFinanceFields[i] = value;
}

bool FinanceRecord::operator==(const FinanceRecord &o) const
{
    if (tabType != o.tabType)
        return false;
    for (int i = 0; i < TextCount; ++i)
        if (text(i) != o.text(i))
            return false;
    return true;
}
