#include "ledger/rowamounts.h"

#include "db/numbertext.h"

namespace RowAmounts {

namespace {
// Below a millionth an amount shows as 0.
constexpr Money kSmallest = Money::FromRaw(1000);
} // namespace

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

bool IsUnset(const QString &text) { return Money::FromText(text).Abs() < kSmallest; }

namespace {

Money M(const QString &text) { return Money::FromText(text); }
QString T(const Money &value) { return value.ToText(); }

Goods FillMissing(const Goods &in)
{
    Goods out = in;
    const Money quantity = M(out.num);
    if (IsUnset(out.total))
        out.total = T(quantity.Times(M(out.price)));
    const Money total = M(out.total);
    if (quantity.Sign() > 0 && IsUnset(out.price))
        out.price = T(total.DividedBy(quantity));
    if (IsUnset(out.debt))
        out.debt = T(total - M(out.pay));
    if (IsUnset(out.pay))
        out.pay = T(total - M(out.debt));
    return out;
}

} // namespace

Goods Derive(const Goods &in, Changed changed)
{
    using NumberText::IsNumber;

    Goods out = in;
    const auto unpaidFollows = [&out] { out.debt = T(M(out.total) - M(out.pay)); };
    switch (changed) {
    case Changed::None: break;
    case Changed::Num:
    case Changed::Price:
        if (IsNumber(out.num) && IsNumber(out.price))
            out.total = T(M(out.num).Times(M(out.price)));
        unpaidFollows();
        break;
    case Changed::Total: {
        // An emptied total is taken from quantity and price again, as on a new row.
        if (IsUnset(out.total))
            out.total = T(M(out.num).Times(M(out.price)));
        const Money quantity = M(out.num);
        if (quantity.Sign() > 0 && !IsUnset(out.total))
            out.price = T(M(out.total).DividedBy(quantity));
        unpaidFollows();
        break;
    }
    case Changed::Pay: unpaidFollows(); break;
    case Changed::Debt: out.pay = T(M(out.total) - M(out.debt)); break;
    }
    return FillMissing(out);
}

} // namespace RowAmounts
