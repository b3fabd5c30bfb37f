#include "db/numbertext.h"

#include <cmath>

namespace NumberText {

double ToNumber(const QString &text)
{
    if (!IsNumber(text))
        return 0.0;
    return text.trimmed().toDouble();
}

bool IsNumber(const QString &text) { return Money::Parse(text, nullptr); }

QString ToText(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    QString s = QString::number(value, 'f', 6);
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    if (s == QLatin1String("-0"))
        s = QStringLiteral("0");
    return s;
}

} // namespace NumberText
