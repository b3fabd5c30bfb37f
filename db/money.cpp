#include "db/money.h"

namespace {

using Raw = Money::Raw;
__extension__ typedef unsigned __int128 URaw;

constexpr int kMaxPower = 38;

const URaw *Powers()
{
    static const auto table = [] {
        struct Table
        {
            URaw p[kMaxPower + 1];
        } t{};
        t.p[0] = 1;
        for (int i = 1; i <= kMaxPower; ++i)
            t.p[i] = t.p[i - 1] * 10;
        return t;
    }();
    return table.p;
}

URaw Pow10(int n) { return Powers()[n]; }

// Parsed texts stay below 10^21, in billionths 10^30.
const URaw kLimit = Pow10(30);
const Raw kMax = static_cast<Raw>(~URaw(0) >> 1);

// value / 10^k rounded half to even; `sticky` says digits already dropped
// below the divided ones were not all zero.
URaw DivRound(URaw value, int k, bool sticky = false)
{
    if (k <= 0)
        return value;
    if (k > kMaxPower)
        return 0;
    const URaw d = Pow10(k);
    URaw q = value / d;
    const URaw r = value % d;
    const URaw half = d / 2;
    if (r > half || (r == half && (sticky || (q & 1))))
        ++q;
    return q;
}

bool IsBlank(QChar c) { return c.isSpace(); }

// The strict form QString::toDouble reads: [sign] digits [. digits] [e [sign] digits],
// with digits on at least one side of the point.
bool ParseDecimal(const QString &text, Raw *raw)
{
    const QChar *p = text.constData();
    const QChar *end = p + text.size();
    while (p < end && IsBlank(*p))
        ++p;
    while (end > p && IsBlank(end[-1]))
        --end;
    bool negative = false;
    if (p < end && (*p == QLatin1Char('+') || *p == QLatin1Char('-'))) {
        negative = *p == QLatin1Char('-');
        ++p;
    }
    URaw digits = 0;
    int kept = 0;        // significant digits in `digits`
    int dropped = 0;     // integer digits past what `digits` keeps
    int fraction = 0;    // kept digits after the point
    bool sticky = false; // a dropped digit was not zero
    bool any = false;
    bool point = false;
    for (; p < end; ++p) {
        const ushort c = p->unicode();
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9')
            break;
        any = true;
        const int d = c - '0';
        if (kept < kMaxPower - 1) {
            if (kept > 0 || d != 0)
                ++kept;
            digits = digits * 10 + URaw(d);
            if (point)
                ++fraction;
        } else {
            if (!point)
                ++dropped;
            sticky = sticky || d != 0;
        }
    }
    if (!any)
        return false;
    int exponent = 0;
    if (p < end && (*p == QLatin1Char('e') || *p == QLatin1Char('E'))) {
        ++p;
        bool negativeExponent = false;
        if (p < end && (*p == QLatin1Char('+') || *p == QLatin1Char('-'))) {
            negativeExponent = *p == QLatin1Char('-');
            ++p;
        }
        if (p == end)
            return false;
        for (; p < end; ++p) {
            const ushort c = p->unicode();
            if (c < '0' || c > '9')
                return false;
            if (exponent < 100000)
                exponent = exponent * 10 + (c - '0');
        }
        if (negativeExponent) {
            // Below the smallest double QString::toDouble refuses the text;
            // everything this small rounds to 0 here anyway.
            if (exponent > 300 && digits != 0) {
                bool ok = false;
                text.toDouble(&ok);
                if (!ok)
                    return false;
            }
            exponent = -exponent;
        }
    }
    if (p != end)
        return false;

    // digits x 10^shift billionths
    const int shift = exponent + dropped - fraction + Money::Places;
    URaw magnitude = 0;
    if (digits == 0) {
        magnitude = 0;
    } else if (shift >= 0) {
        if (shift > kMaxPower || digits > kLimit / Pow10(shift))
            return false;
        magnitude = digits * Pow10(shift);
    } else {
        magnitude = DivRound(digits, -shift, sticky);
    }
    if (magnitude >= kLimit)
        return false;
    *raw = negative ? -static_cast<Raw>(magnitude) : static_cast<Raw>(magnitude);
    return true;
}

// Millionths as plain decimal text, written right to left ending at `end`;
// trailing zeros of the fraction are left out.
template <typename U>
char *WriteMillionths(U shown, char *end)
{
    char *at = end;
    int places = Money::ShownPlaces;
    while (places > 0 && shown % 10 == 0) {
        shown /= 10;
        --places;
    }
    for (int i = 0; i < places; ++i) {
        *--at = char('0' + int(shown % 10));
        shown /= 10;
    }
    if (places > 0)
        *--at = '.';
    do {
        *--at = char('0' + int(shown % 10));
        shown /= 10;
    } while (shown > 0);
    return at;
}

} // namespace

bool Money::Parse(const QString &text, Money *out)
{
    Raw raw = 0;
    const bool ok = ParseDecimal(text, &raw);
    if (out)
        *out = Money(ok ? raw : 0);
    return ok;
}

Money Money::FromText(const QString &text)
{
    Money m;
    Parse(text, &m);
    return m;
}

QString Money::ToText() const
{
    const bool negative = m_raw < 0;
    const URaw shown = DivRound(negative ? URaw(-m_raw) : URaw(m_raw), Places - ShownPlaces);
    if (shown == 0)
        return QStringLiteral("0");
    char buf[64];
    char *const end = buf + sizeof(buf);
    // Ordinary amounts take the 64-bit path: this runs once per cell of a report.
    char *at = shown <= URaw(~quint64(0)) ? WriteMillionths(static_cast<quint64>(shown), end)
                                          : WriteMillionths(shown, end);
    if (negative)
        *--at = '-';
    return QString::fromLatin1(at, int(end - at));
}

double Money::ToDouble() const
{
    // Through the text, so that the double is the one the shown text reads as.
    return ToText().toDouble();
}

Money Money::operator+(const Money &o) const
{
    Raw sum = 0;
    if (__builtin_add_overflow(m_raw, o.m_raw, &sum))
        return Money(o.m_raw > 0 ? kMax : -kMax);
    return Money(sum);
}

Money Money::Times(const Money &factor) const
{
    const bool negative = (m_raw < 0) != (factor.m_raw < 0);
    const URaw a = m_raw < 0 ? URaw(-m_raw) : URaw(m_raw);
    const URaw b = factor.m_raw < 0 ? URaw(-factor.m_raw) : URaw(factor.m_raw);
    const URaw scale = Pow10(Places);
    // a x b / 10^9 in billionths, rounded to millionths: split both at the
    // point so that no partial product leaves 128 bits while the whole fits.
    const URaw a1 = a / scale, a0 = a % scale;
    const URaw b1 = b / scale, b0 = b % scale;
    URaw high = 0; // a1 x b1, whole units
    URaw mid = 0;  // a1 x b0 + a0 x b1, billionths
    if (__builtin_mul_overflow(a1, b1, &high) || high >= kLimit)
        return Money();
    if (__builtin_mul_overflow(a1, b0, &mid))
        return Money();
    URaw mid2 = 0;
    if (__builtin_mul_overflow(a0, b1, &mid2) || __builtin_add_overflow(mid, mid2, &mid))
        return Money();
    const URaw low = a0 * b0; // < 10^18, 10^-18 units
    // In millionths: high x 10^6 + mid / 10^3 + low / 10^12.
    const URaw lowAll = (mid % 1000) * Pow10(9) + low; // 10^-18 units below a thousandth of mid
    URaw shown = 0;
    if (__builtin_mul_overflow(high, Pow10(ShownPlaces), &shown)
        || __builtin_add_overflow(shown, mid / 1000 + lowAll / Pow10(12), &shown))
        return Money();
    const URaw r = lowAll % Pow10(12);
    const URaw half = Pow10(12) / 2;
    if (r > half || (r == half && (shown & 1)))
        ++shown;
    const URaw step = Pow10(Places - ShownPlaces);
    if (shown >= kLimit / step)
        return Money();
    const Raw raw = static_cast<Raw>(shown * step);
    return Money(negative ? -raw : raw);
}

Money Money::DividedBy(const Money &divisor) const
{
    if (divisor.m_raw == 0)
        return Money();
    const bool negative = (m_raw < 0) != (divisor.m_raw < 0);
    const URaw a = m_raw < 0 ? URaw(-m_raw) : URaw(m_raw);
    const URaw b = divisor.m_raw < 0 ? URaw(-divisor.m_raw) : URaw(divisor.m_raw);
    // Whole part, then the six places digit by digit: the remainder stays
    // below b, so ten times it never leaves 128 bits.
    URaw q = a / b;
    URaw r = a % b;
    const URaw step = Pow10(Places - ShownPlaces);
    if (q >= kLimit / Pow10(Places))
        return Money();
    for (int i = 0; i < ShownPlaces; ++i) {
        r *= 10;
        q = q * 10 + r / b;
        r %= b;
    }
    if (r > b - r || (r == b - r && (q & 1)))
        ++q;
    const Raw raw = static_cast<Raw>(q * step);
    return Money(negative ? -raw : raw);
}
