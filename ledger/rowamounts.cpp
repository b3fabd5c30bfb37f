#include "ledger/rowamounts.h"

#include "db/numbertext.h"

#include <cmath>

namespace RowAmounts {

Changed ChangedOfColumn(int column)
{
    switch (column) {
    case 9: return Changed::Num;
    case 10: return Changed::Price;
    case 11: return Changed::Total;
    case 12: return Changed::Pay;
    case 13: return Changed::Debt;
    default: return Changed::None;
    }
}

bool IsRefused(const QString &text) { return !text.isEmpty() && !NumberText::IsNumber(text); }

bool IsUnset(const QString &text) { return std::fabs(NumberText::ToNumber(text)) < 1e-6; }

namespace {

Goods FillMissing(const Goods &in)
{
    using NumberText::ToNumber;
    using NumberText::ToText;

    Goods out = in;
    const double quantity = ToNumber(out.num);
    if (IsUnset(out.total))
        out.total = ToText(quantity * ToNumber(out.price));
    const double total = ToNumber(out.total);
    if (quantity > 0 && IsUnset(out.price))
        out.price = ToText(total / quantity);
    if (IsUnset(out.debt))
        out.debt = ToText(total - ToNumber(out.pay));
    if (IsUnset(out.pay))
        out.pay = ToText(total - ToNumber(out.debt));
    return out;
}

} // namespace

Goods Derive(const Goods &in, Changed changed)
{
    using NumberText::IsNumber;
    using NumberText::ToNumber;
    using NumberText::ToText;

    Goods out = in;
    const auto unpaidFollows = [&out] { out.debt = ToText(ToNumber(out.total) - ToNumber(out.pay)); };
    switch (changed) {
    case Changed::None: break;
    case Changed::Num:
    case Changed::Price:
        if (IsNumber(out.num) && IsNumber(out.price))
            out.total = ToText(ToNumber(out.num) * ToNumber(out.price));
        unpaidFollows();
        break;
    case Changed::Total: {
        // An emptied total is taken from quantity and price again, as on a new row.
        if (IsUnset(out.total))
            out.total = ToText(ToNumber(out.num) * ToNumber(out.price));
        const double quantity = ToNumber(out.num);
        if (quantity > 0 && !IsUnset(out.total))
            out.price = ToText(ToNumber(out.total) / quantity);
        unpaidFollows();
        break;
    }
    case Changed::Pay: unpaidFollows(); break;
    case Changed::Debt: out.pay = ToText(ToNumber(out.total) - ToNumber(out.debt)); break;
    }
    return FillMissing(out);
}

} // namespace RowAmounts
