#include "core/base/Money.h"

#include <cmath>
#include <cstdlib>

namespace {

// Beyond this many whole digits an amount no longer fits the four-decimal range; such
// text reads as 0, like any other text that is not a number.
constexpr int MaxWholeDigits = 14;

// n / d rounded half away from zero (d > 0).
qint64 divideHalfAway(__int128 n, __int128 d)
{
    __int128 q = n / d;
    const __int128 r = n % d;
    const __int128 twice = (r < 0 ? -r : r) * 2;
    if (twice >= d)
        q += n < 0 ? -1 : 1;
    return qint64(q);
}

Money parseLeading(const QString &text, bool skipGroupSeparators, bool keepSubCents = false)
{
    const QString t = text.trimmed();
    int i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+'))
        negative = t[i++] == u'-';
    qint64 whole = 0, fraction = 0;
    int wholeDigits = 0, fractionDigits = 0;
    bool seenDigit = false, seenPoint = false, roundUp = false, subCents = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c.unicode() >= u'0' && c.unicode() <= u'9') {
            const int d = c.unicode() - u'0';
            seenDigit = true;
            if (!seenPoint) {
                if (wholeDigits > 0 || d != 0)
                    ++wholeDigits;
                if (wholeDigits > MaxWholeDigits)
                    return Money();
                whole = whole * 10 + d;
            } else if (fractionDigits < 4) {
                fraction = fraction * 10 + d;
                ++fractionDigits;
                subCents = subCents || (fractionDigits > 2 && d != 0);
            } else if (fractionDigits == 4) {
                roundUp = d >= 5; // the fifth decimal decides, half away from zero
                ++fractionDigits;
                subCents = subCents || d != 0;
            } else {
                subCents = subCents || d != 0;
            }
        } else if (c == u'.' && !seenPoint) {
            seenPoint = true;
        } else if (c == u',' && skipGroupSeparators && !seenPoint && seenDigit) {
            continue;
        } else {
            break;
        }
    }
    if (!seenDigit)
        return Money();
    for (int k = std::min(fractionDigits, 4); k < 4; ++k)
        fraction *= 10;
    qint64 units = whole * Money::Scale + fraction + (roundUp ? 1 : 0);
    // A tail past the cents that the four places lost still makes the amount not whole cents.
    if (keepSubCents && subCents && units % 100 == 0)
        units += 1;
    return Money::fromUnits(negative ? -units : units);
}

// Written from the last digit backwards into one buffer: reports format every cell of tens
// of thousands of rows with this.
QString digitsOf(qint64 cents, bool grouped)
{
    const bool negative = cents < 0;
    quint64 a = negative ? 0 - quint64(cents) : quint64(cents);
    char16_t buf[40];
    int i = 40;
    buf[--i] = char16_t(u'0' + a % 10);
    a /= 10;
    buf[--i] = char16_t(u'0' + a % 10);
    a /= 10;
    buf[--i] = u'.';
    int digits = 0;
    do {
        if (grouped && digits > 0 && digits % 3 == 0)
            buf[--i] = u',';
        buf[--i] = char16_t(u'0' + a % 10);
        a /= 10;
        ++digits;
    } while (a > 0);
    if (negative)
        buf[--i] = u'-';
    return QString(reinterpret_cast<const QChar *>(buf + i), 40 - i);
}

} // namespace

Money Money::fromDouble(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 9.0e14)
        return Money();
    return Money(std::llround(value * Scale));
}

QVariant Money::toVariant() const
{
    // Read as a number or text where a value leaves the database layer's hands (a test's
    // comparison, a printed field).
    static const bool converters = [] {
        QMetaType::registerConverter<Money, double>(&Money::toDouble);
        QMetaType::registerConverter<Money, QString>([](const Money &m) {
            return QString::number(m.toDouble(), 'f', 4);
        });
        return true;
    }();
    Q_UNUSED(converters);
    return QVariant::fromValue(*this);
}

Money Money::fromVariant(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return Money();
    if (value.metaType() == QMetaType::fromType<Money>())
        return value.value<Money>();
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return Money(value.toLongLong() * Scale);
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return parse(value.toString());
    default:
        return fromDouble(value.toDouble());
    }
}

Money Money::parse(const QString &text)
{
    return parseLeading(text, false);
}

Money Money::parseTyped(const QString &text)
{
    return parseLeading(text, false, true);
}

QString Money::subCentRefusal()
{
    return QStringLiteral("金额最多只能有两位小数！");
}

Money Money::parseCell(const QString &text)
{
    return parseLeading(text, true);
}

QString Money::format() const
{
    return digitsOf(roundedToCents().m_units / 100, false);
}

QString Money::formatGrouped() const
{
    return digitsOf(roundedToCents().m_units / 100, true);
}

Money Money::roundedToCents() const
{
    return Money(divideHalfAway(m_units, 100) * 100);
}

Money Money::roundedToWholeUnitHalfEven() const
{
    qint64 q = m_units / Scale;
    const qint64 r = m_units % Scale;
    const qint64 twice = std::llabs(r) * 2;
    if (twice > Scale || (twice == Scale && q % 2 != 0))
        q += m_units < 0 ? -1 : 1;
    return Money(q * Scale);
}

Money Money::lineAmount(Money price, double quantity)
{
    if (!std::isfinite(quantity) || std::fabs(quantity) > 1.0e9)
        return Money();
    const __int128 q = std::llround(quantity * Scale);
    // price units × quantity units is in 1e-8; cents are 1e-2.
    return Money(divideHalfAway(__int128(price.m_units) * q, __int128(1000000)) * 100);
}

Money Money::times(double rate) const
{
    if (!std::isfinite(rate) || std::fabs(rate) > 1.0e6)
        return Money();
    const __int128 r = std::llround(rate * 1000000.0);
    // units (1e-4) × rate (1e-6) is in 1e-10; cents are 1e-2.
    return Money(divideHalfAway(__int128(m_units) * r, __int128(100000000)) * 100);
}

Money Money::dividedBy(qint64 quantity) const
{
    if (quantity == 0)
        return Money();
    if (quantity < 0)
        return Money(divideHalfAway(-__int128(m_units), -__int128(quantity)));
    return Money(divideHalfAway(m_units, quantity));
}
