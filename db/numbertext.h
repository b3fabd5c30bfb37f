#pragma once

#include <QString>

// Amounts, quantities and prices are kept as text. These two functions are the
// only way the program turns them into numbers and back, so that money is
// never rounded to six significant digits or written with an exponent.
namespace NumberText {

// The number a text holds; a text that is not a number counts as 0.
double ToNumber(const QString &text);

// Plain decimal text of a number: no exponent, at most six digits after the
// point, trailing zeros dropped (7.5 -> "7.5", 2345678 -> "2345678",
// 0.1 + 0.2 -> "0.3"). A non-finite value gives "0".
QString ToText(double value);

// Whether the text is a number ToNumber would read (blanks around it allowed).
bool IsNumber(const QString &text);

} // namespace NumberText
