#pragma once

#include <QDate>
#include <QString>

namespace DateText {

// A business date as typed into a date cell: "2024-12-01" (or "2024-12-1",
// with "-", "/" or "." between the parts), "20241201", "12-01" and "1201"
// (month and day of today's year). Anything else, and a day that does not
// exist, gives an invalid date.
QDate FromTyped(const QString &text, const QDate &today);

} // namespace DateText
