#pragma once

#include <QString>

// The amount cells of a goods row (quantity, price, total, paid, unpaid) and
// how an edit derives the others from them.
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

// Which amount the user has just changed; None when the row is read for
// another reason (a combo, a date, an import, a stored row shown).
enum class Changed { None, Num, Price, Total, Pay, Debt };

// The amount of a goods table column (9-13); None for any other column.
Changed ChangedOfColumn(int column);

// A cell the row check refuses: something typed that is not a number, blanks
// only included. An empty cell is not refused; it simply holds no amount yet.
bool IsRefused(const QString &text);

// Whether a cell counts as not filled in: empty, not a number, or zero.
bool IsUnset(const QString &text);

// First, as a spreadsheet does, the amounts that follow from the changed one
// are recomputed even when set: quantity or price (both numbers) -> total and
// unpaid; total -> price (quantity > 0) and unpaid; paid -> unpaid; unpaid ->
// paid; an empty paid counts as 0. Then the missing amounts are filled in this
// order: total = quantity x price, price = total / quantity, unpaid = total -
// paid, paid = total - unpaid; set texts are kept as they are, so with None
// stored figures never change behind the user's back. Expects no refused texts.
Goods Derive(const Goods &in, Changed changed = Changed::None);

} // namespace RowAmounts
