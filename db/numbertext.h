#pragma once

#include "db/money.h"

#include <QString>

// Amounts, quantities and prices are kept as text. These functions are the
// only way the program turns them into numbers and back, so that money is
// never rounded to six significant digits or written with an exponent.
// Arithmetic on amounts goes through Money; the doubles here serve callers
// that only compare or plot.
namespace NumberText {

// The number a text holds; a text that is not a number counts as 0.
double ToNumber(const QString &text);

// Plain decimal text of a number: no exponent, at most six digits after the
// point, trailing zeros dropped (7.5 -> "7.5", 2345678 -> "2345678",
// 0.1 + 0.2 -> "0.3"). A non-finite value gives "0".
QString ToText(double value);
// The same for an exact amount.
inline QString ToText(const Money &value) { return value.ToText(); }

// Whether the text is a number Money reads (blanks around it allowed): what
// QString::toDouble reads as a finite number, within ±10^21.
bool IsNumber(const QString &text);

} // namespace NumberText
