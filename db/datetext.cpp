#include "db/datetext.h"

#include <QRegularExpression>

namespace DateText {

QDate FromTyped(const QString &text, const QDate &today)
{
    const QString t = text.trimmed();
    static const QRegularExpression full(QStringLiteral("^(\\d{4})[-/.](\\d{1,2})[-/.](\\d{1,2})$"));
    static const QRegularExpression monthDay(QStringLiteral("^(\\d{1,2})[-/.](\\d{1,2})$"));
    static const QRegularExpression digits(QStringLiteral("^(\\d{4})?(\\d{2})(\\d{2})$"));
    QRegularExpressionMatch m = full.match(t);
    if (m.hasMatch())
        return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    m = monthDay.match(t);
    if (m.hasMatch())
        return QDate(today.year(), m.captured(1).toInt(), m.captured(2).toInt());
    m = digits.match(t);
    if (m.hasMatch()) {
        const int year = m.captured(1).isEmpty() ? today.year() : m.captured(1).toInt();
        return QDate(year, m.captured(2).toInt(), m.captured(3).toInt());
    }
    return QDate();
}

} // namespace DateText
