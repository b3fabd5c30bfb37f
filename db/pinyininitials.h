#pragma once

#include <QString>

// First letters of the Mandarin readings of a text ("运动鞋" -> "ydx"), so a
// shopkeeper may type them instead of switching to a Chinese input method.
// The readings are ICU's Han-Latin transliteration, one reading per
// character (the common one: a polyphone such as 长 gets only one).
namespace PinyinInitials {

// Han characters give the first letter of their reading, other letters and
// digits stay (lower case), anything else is left out.
QString Of(const QString &text);

// True when typed, Latin letters and nothing else, stands anywhere in the
// initials of text (any case): "dx" finds 运动鞋 too, "x" finds 鞋.
bool Matches(const QString &text, const QString &typed);

} // namespace PinyinInitials
