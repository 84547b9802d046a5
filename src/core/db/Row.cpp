#include "core/db/Row.h"

#include "core/db/DbError.h"

namespace db {

void Row::append(const QString &name, const QVariant &value)
{
    const QString key = name.toLower();
    if (!m_index.contains(key))
        m_index.insert(key, m_values.size());
    m_names.append(name);
    m_values.append(value);
}

int Row::indexOf(const QString &name) const
{
    return m_index.value(name.toLower(), -1);
}

bool Row::has(const QString &name) const
{
    return indexOf(name) >= 0;
}

QVariant Row::value(const QString &name) const
{
    const int i = indexOf(name);
    if (i < 0)
        throw DbError(QStringLiteral("结果中没有列“%1”").arg(name));
    return m_values.at(i);
}

QVariant Row::at(int index) const
{
    if (index < 0 || index >= m_values.size())
        throw DbError(QStringLiteral("结果中没有第%1列").arg(index + 1));
    return m_values.at(index);
}

bool Row::isNull(const QString &name) const
{
    return value(name).isNull();
}

QString Row::text(const QString &name) const
{
    const QVariant v = value(name);
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
    const QVariant v = value(name);
    if (v.isNull())
        return 0.0;
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
    const QVariant v = value(name);
    if (v.isNull())
        return 0;
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    if (ok)
        return int(n);
    return int(v.toDouble());
}

QDateTime Row::toDateTime(const QVariant &v)
{
    if (v.isNull())
        return QDateTime();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().startOfDay();
    const QString s = v.toString().trimmed();
    QDateTime dt = QDateTime::fromString(s.left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!dt.isValid())
        dt = QDateTime::fromString(s.left(19), Qt::ISODate);
    if (!dt.isValid()) {
        const QDate d = QDate::fromString(s.left(10), QStringLiteral("yyyy-MM-dd"));
        if (d.isValid())
            dt = d.startOfDay();
    }
    return dt;
}

QDate Row::date(const QString &name) const
{
    return toDateTime(value(name)).date();
}

QDateTime Row::dateTime(const QString &name) const
{
    return toDateTime(value(name));
}

} // namespace db
