#include "ledger/rowamounts.h"

#include "db/numbertext.h"

#include <cmath>

namespace RowAmounts {

bool IsRefused(const QString &text)
{
    return !text.trimmed().isEmpty() && !NumberText::IsNumber(text);
}

bool IsUnset(const QString &text)
{
    return std::fabs(NumberText::ToNumber(text)) < 1e-6;
}

Goods Derive(const Goods &in)
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

} // namespace RowAmounts
