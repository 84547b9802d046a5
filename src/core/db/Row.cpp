#include "core/db/Row.h"

#include "core/db/DbError.h"

namespace db {

namespace {

size_t foldedHash(QStringView name)
{
    size_t h = 1469598103934665603ull;
    for (QChar c : name) {
        h ^= c.toCaseFolded().unicode();
        h *= 1099511628211ull;
    }
    return h;
}

// Reads n digits at s[at]; -1 when any is not a digit.
int digits(QStringView s, qsizetype at, int n)
{
    if (s.size() < at + n)
        return -1;
    int v = 0;
    for (int i = 0; i < n; ++i) {
        const char16_t c = s[at + i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        v = v * 10 + (c - u'0');
    }
    return v;
}

// "yyyy-MM-dd" at the start of the text, as SQLite keeps dates.
QDate isoDate(QStringView s)
{
    const int y = digits(s, 0, 4), m = digits(s, 5, 2), d = digits(s, 8, 2);
    if (y < 0 || m < 0 || d < 0 || s[4] != u'-' || s[7] != u'-')
        return QDate();
    return QDate(y, m, d);
}

// "HH:mm:ss" or "HH:mm" after the date, separated by a space or 'T'; midnight when absent.
QTime isoTime(QStringView s, bool *ok)
{
    *ok = true;
    if (s.size() <= 10)
        return QTime(0, 0);
    if (s[10] != u' ' && s[10] != u'T') {
        *ok = false;
        return QTime();
    }
    const int h = digits(s, 11, 2), mi = digits(s, 14, 2);
    const int sec = s.size() >= 19 ? digits(s, 17, 2) : 0;
    if (h < 0 || mi < 0 || sec < 0 || s[13] != u':') {
        *ok = false;
        return QTime();
    }
    return QTime(h, mi, sec);
}

// "-123.45": at most 15 digits, an optional sign and point; the double nearest the value.
bool plainDecimal(const QString &s, double *out)
{
    static constexpr double tens[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8,
                                      1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    qsizetype i = 0;
    const bool negative = !s.isEmpty() && s[0] == u'-';
    if (negative)
        ++i;
    qint64 digits = 0;
    int count = 0, scale = -1;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c == u'.' && scale < 0) {
            scale = 0;
            continue;
        }
        if (c < u'0' || c > u'9' || ++count > 15)
            return false;
        digits = digits * 10 + (c - u'0');
        if (scale >= 0)
            ++scale;
    }
    if (count == 0)
        return false;
    // Both exact as doubles, so the quotient is the correctly rounded value.
    const double v = double(digits) / tens[scale < 0 ? 0 : scale];
    *out = negative ? -v : v;
    return true;
}

} // namespace

RowColumns::RowColumns(const QStringList &names) : m_names(names)
{
    m_folded.reserve(names.size());
    for (const QString &n : names)
        m_folded.push_back(foldedHash(n));
}

int RowColumns::indexOf(QStringView name) const
{
    const size_t h = foldedHash(name);
    for (size_t i = 0; i < m_folded.size(); ++i)
        if (m_folded[i] == h && name.compare(m_names[qsizetype(i)], Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

Row::Row(std::shared_ptr<const RowColumns> columns, QList<QVariant> values)
    : m_columns(std::move(columns)), m_values(std::move(values))
{
}

void Row::append(const QString &name, const QVariant &value)
{
    QStringList names = columns();
    names.append(name);
    m_columns = std::make_shared<const RowColumns>(names);
    m_values.append(value);
}

QStringList Row::columns() const
{
    return m_columns ? m_columns->names() : QStringList();
}

int Row::indexOf(const QString &name) const
{
    return m_columns ? m_columns->indexOf(name) : -1;
}

const QVariant &Row::valueRef(const QString &name) const
{
    const int i = indexOf(name);
    if (i < 0)
        throw DbError(QStringLiteral("结果中没有列“%1”").arg(name));
    return m_values.at(i);
}

bool Row::has(const QString &name) const
{
    return indexOf(name) >= 0;
}

QVariant Row::value(const QString &name) const
{
    return valueRef(name);
}

QVariant Row::at(int index) const
{
    if (index < 0 || index >= m_values.size())
        throw DbError(QStringLiteral("结果中没有第%1列").arg(index + 1));
    return m_values.at(index);
}

bool Row::isNull(const QString &name) const
{
    return valueRef(name).isNull();
}

QString Row::text(const QString &name) const
{
    const QVariant &v = valueRef(name);
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    return v.toString();
}

double Row::number(const QString &name) const
{
    const QVariant &v = valueRef(name);
    if (v.isNull())
        return 0.0;
    // PostgreSQL's numeric arrives as its decimal text: read plain "-123.45" directly.
    if (v.typeId() == QMetaType::QString) {
        double d = 0;
        if (plainDecimal(*static_cast<const QString *>(v.constData()), &d))
            return d;
    }
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? d : 0.0;
}

Money Row::money(const QString &name) const
{
    return Money::fromVariant(value(name));
}

int Row::integer(const QString &name) const
{
    const QVariant &v = valueRef(name);
    if (v.isNull())
        return 0;
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    if (ok)
        return int(n);
    return int(v.toDouble());
}

QDate Row::toDate(const QVariant &v)
{
    if (v.isNull())
        return QDate();
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    if (v.typeId() == QMetaType::QString) {
        const QDate d = isoDate(QStringView(v.toString()).trimmed());
        if (d.isValid())
            return d;
    }
    return toDateTime(v).date();
}

QDateTime Row::toDateTime(const QVariant &v)
{
    if (v.isNull())
        return QDateTime();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().startOfDay();
    const QString s = v.toString();
    const QStringView t = QStringView(s).trimmed();
    // The stored text is ISO; parsing it by hand spares a format parser per row.
    const QDate d = isoDate(t);
    if (d.isValid()) {
        bool ok = false;
        const QTime time = isoTime(t, &ok);
        return ok && time.isValid() ? QDateTime(d, time) : d.startOfDay();
    }
    return QDateTime::fromString(t.left(19).toString(), Qt::ISODate);
}

QDate Row::date(const QString &name) const
{
    return toDate(valueRef(name));
}

QDateTime Row::dateTime(const QString &name) const
{
    return toDateTime(valueRef(name));
}

} // namespace db
