#pragma once

#include <compare>

#include <QString>
#include <QVariant>
#include <QtGlobal>

// An exact amount of money: a whole number of ten-thousandths, the precision of the
// numeric(19,4) columns. Every amount, price, balance and payment is one of these, so a
// comparison or a sum never depends on how a binary double happens to round.
class Money
{
public:
    static constexpr qint64 Scale = 10000;

    constexpr Money() = default;
    static constexpr Money fromUnits(qint64 units) { return Money(units); }
    static constexpr Money fromCents(qint64 cents) { return Money(cents * 100); }
    // Whole currency units (the demo prices and tests read better so).
    static constexpr Money fromInt(qint64 whole) { return Money(whole * Scale); }

    // At the database boundary: a REAL sum such as 1.10 + 2.20 reads as 3.30 exactly, as
    // do the numeric values PostgreSQL hands back (as doubles or as text). NULL reads 0.
    static Money fromDouble(double value);
    static Money fromVariant(const QVariant &value);

    // Typed text, by the leading-number rule: "3.5kg" -> 3.50, "-10" -> -10, "1,234.00" ->
    // 1 (the comma ends the number), "", "abc" or "*0.9" -> 0.
    static Money parse(const QString &text);
    // Money the operator typed, by the same rule, except that digits past the cents are not
    // rounded away: "0.00005" or "3.500001" reads as an amount that is not whole cents, so the
    // rule that takes it refuses it (subCentRefusal) instead of storing a value never shown.
    static Money parseTyped(const QString &text);
    // What every money field says to an amount with more than two decimals.
    static QString subCentRefusal();
    // A grid cell shown with thousands separators: "1,234.00" -> 1234.00; otherwise as parse.
    static Money parseCell(const QString &text);

    constexpr qint64 units() const { return m_units; }
    double toDouble() const { return double(m_units) / Scale; }
    // What a statement binds for an amount column: the amount itself, which the database
    // layer hands over as exact decimal text (PostgreSQL) or SQLite's own number.
    QVariant toVariant() const;

    QString format() const;        // "0.00"
    QString formatGrouped() const; // "#,0.00"

    // Half away from zero, to cents: what a line amount and a stored total are.
    Money roundedToCents() const;
    // The settlement's whole-unit rounding: to a whole currency unit, half to even.
    Money roundedToWholeUnitHalfEven() const;

    // price × quantity, rounded half away from zero to cents. The quantity may be a fraction
    // of a unit (loose goods); it is taken to four decimals first.
    static Money lineAmount(Money price, double quantity);
    // This amount times a rate such as the 0.9 of a discount, rounded to cents.
    Money times(double rate) const;
    // An amount spread over a quantity (a unit value), to four decimals; 0 for quantity 0.
    Money dividedBy(qint64 quantity) const;

    constexpr bool isZero() const { return m_units == 0; }
    constexpr bool isWholeCents() const { return m_units % 100 == 0; }
    constexpr bool isNegative() const { return m_units < 0; }

    constexpr Money operator-() const { return Money(-m_units); }
    constexpr Money operator+(Money o) const { return Money(m_units + o.m_units); }
    constexpr Money operator-(Money o) const { return Money(m_units - o.m_units); }
    constexpr Money operator*(qint64 n) const { return Money(m_units * n); }
    Money &operator+=(Money o) { m_units += o.m_units; return *this; }
    Money &operator-=(Money o) { m_units -= o.m_units; return *this; }
    constexpr auto operator<=>(const Money &) const = default;

private:
    constexpr explicit Money(qint64 units) : m_units(units) {}
    qint64 m_units = 0;
};

constexpr Money min(Money a, Money b) { return a < b ? a : b; }
constexpr Money max(Money a, Money b) { return a < b ? b : a; }

Q_DECLARE_METATYPE(Money)
