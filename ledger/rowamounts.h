#pragma once

#include <QString>

// The amount cells of a goods row (quantity, price, total, paid, unpaid) and
// how an edit fills the ones left empty.
namespace RowAmounts {

struct Goods
{
    QString num;
    QString price;
    QString total;
    QString pay;
    QString debt;

    bool operator==(const Goods &o) const
    {
        return num == o.num && price == o.price && total == o.total && pay == o.pay && debt == o.debt;
    }
};

// A cell the row check refuses: something typed that is not a number.
// An empty cell is not refused; it simply holds no amount yet.
bool IsRefused(const QString &text);

// Whether a cell counts as not filled in: empty, not a number, or zero.
bool IsUnset(const QString &text);

// Fills the missing amounts in this order: total = quantity x price, price =
// total / quantity, unpaid = total - paid, paid = total - unpaid. Texts that
// are set are kept as typed. Expects no refused texts.
Goods Derive(const Goods &in);

} // namespace RowAmounts
