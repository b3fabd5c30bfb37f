#pragma once

#include <QString>

// An exact decimal amount: a 128-bit count of billionths. Sums and
// differences are exact; a product or a quotient is rounded half to even to
// six places, the places a stored text shows. The range is ±10^21 for parsed
// texts, room enough to sum a hundred million such amounts without overflow.
// Binary floating point never enters, so 13391747672.44 stays 13391747672.44.
class Money
{
public:
    __extension__ typedef __int128 Raw;

    static constexpr int Places = 9;      // kept
    static constexpr int ShownPlaces = 6; // written by ToText, kept by products

    constexpr Money() = default;

    // The amount a text holds. The texts read as numbers are those
    // QString::toDouble accepts and finds finite (blanks around them allowed,
    // an exponent too), except that numbers beyond ±10^21 are refused; digits
    // past the ninth decimal are rounded half to even. False, and 0 in *out,
    // for any other text.
    static bool Parse(const QString &text, Money *out);
    // Parse, with a text that is not a number counting as 0.
    static Money FromText(const QString &text);
    static Money FromInt(qint64 units) { return FromRaw(static_cast<Raw>(units) * kScale); }
    static constexpr Money FromRaw(Raw billionths) { return Money(billionths); }

    // Plain decimal text: no exponent, rounded half to even to six places,
    // trailing zeros dropped, no "-0" (7.5 -> "7.5", 2345678 -> "2345678").
    QString ToText() const;
    // The nearest double, for charts and for callers that still compare doubles.
    double ToDouble() const;

    Raw raw() const { return m_raw; }
    bool IsZero() const { return m_raw == 0; }
    int Sign() const { return m_raw > 0 ? 1 : m_raw < 0 ? -1 : 0; }
    Money Abs() const { return Money(m_raw < 0 ? -m_raw : m_raw); }

    // Sums saturate at the ends of the 128-bit range instead of wrapping.
    Money operator+(const Money &o) const;
    Money operator-(const Money &o) const { return *this + (-o); }
    Money operator-() const { return Money(-m_raw); }
    Money &operator+=(const Money &o) { return *this = *this + o; }
    Money &operator-=(const Money &o) { return *this = *this - o; }

    // this x factor, rounded half to even to six places; 0 when the product
    // exceeds the range (as a product too large for a double gave "0").
    Money Times(const Money &factor) const;
    // this / divisor, rounded half to even to six places; 0 when the divisor
    // is 0 or the quotient exceeds the range.
    Money DividedBy(const Money &divisor) const;

    bool operator==(const Money &o) const { return m_raw == o.m_raw; }
    bool operator!=(const Money &o) const { return m_raw != o.m_raw; }
    bool operator<(const Money &o) const { return m_raw < o.m_raw; }
    bool operator>(const Money &o) const { return m_raw > o.m_raw; }
    bool operator<=(const Money &o) const { return m_raw <= o.m_raw; }
    bool operator>=(const Money &o) const { return m_raw >= o.m_raw; }

private:
    static constexpr Raw kScale = 1000000000;
    constexpr explicit Money(Raw raw) : m_raw(raw) {}

    Raw m_raw = 0;
};
