#include "db/records.h"

#include <iterator>

namespace {

// Text order of each record's fields; text(i) reads Fields<R>::at[i].
template <typename Record>
struct Fields;

template <>
struct Fields<GoodsRecord>
{
    static constexpr QString GoodsRecord::*at[] = {
        &GoodsRecord::serial, &GoodsRecord::productClass, &GoodsRecord::name,   &GoodsRecord::model,
        &GoodsRecord::color,  &GoodsRecord::code,         &GoodsRecord::size,   &GoodsRecord::time,
        &GoodsRecord::store,  &GoodsRecord::num,          &GoodsRecord::price,  &GoodsRecord::total,
        &GoodsRecord::pay,    &GoodsRecord::debt,         &GoodsRecord::supply, &GoodsRecord::purchase,
        &GoodsRecord::oddNum, &GoodsRecord::record,       &GoodsRecord::remark,
    };
};

template <>
struct Fields<FinanceRecord>
{
    static constexpr QString FinanceRecord::*at[] = {
        &FinanceRecord::serial, &FinanceRecord::item,   &FinanceRecord::sum,
        &FinanceRecord::time,   &FinanceRecord::client, &FinanceRecord::sale,
        &FinanceRecord::cert,   &FinanceRecord::record, &FinanceRecord::remark,
    };
};

static_assert(std::size(Fields<GoodsRecord>::at) == GoodsRecord::TextCount, "goods field table");
static_assert(std::size(Fields<FinanceRecord>::at) == FinanceRecord::TextCount, "finance field table");

const QString &emptyText()
{
    static const QString empty;
    return empty;
}

template <typename Record>
const QString &TextOf(const Record &r, int i)
{
    if (i < 0 || i >= Record::TextCount)
        return emptyText();
    return r.*Fields<Record>::at[i];
}

template <typename Record>
void SetTextOf(Record &r, int i, const QString &value)
{
    if (i >= 0 && i < Record::TextCount)
        r.*Fields<Record>::at[i] = value;
}

template <typename Record>
bool Equal(const Record &a, const Record &b)
{
    if (a.tabType != b.tabType)
        return false;
    for (int i = 0; i < Record::TextCount; ++i)
        if (TextOf(a, i) != TextOf(b, i))
            return false;
    return true;
}

} // namespace

const QString &GoodsRecord::text(int i) const { return TextOf(*this, i); }
void GoodsRecord::setText(int i, const QString &value) { SetTextOf(*this, i, value); }
bool GoodsRecord::operator==(const GoodsRecord &o) const { return Equal(*this, o); }

const QString &FinanceRecord::text(int i) const { return TextOf(*this, i); }
void FinanceRecord::setText(int i, const QString &value) { SetTextOf(*this, i, value); }
bool FinanceRecord::operator==(const FinanceRecord &o) const { return Equal(*this, o); }
