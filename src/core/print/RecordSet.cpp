#include "core/print/RecordSet.h"

#include <QDate>
#include <QDateTime>

#include "core/base/Money.h"
#include "core/base/NumberText.h"
#include "core/base/CoreError.h"
#include "core/db/Row.h"

void RecordSet::appendField(const QString &name, Type type, int size)
{
    if (hasField(name))
        throw CoreError(QStringLiteral("打印数据中字段“%1”重复").arg(name));
    m_fields.append({name, type, size});
    for (auto &row : m_rows)
        row.append(QVariant());
}

int RecordSet::fieldIndex(const QString &name) const
{
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int RecordSet::checkedField(const QString &name) const
{
    const int i = fieldIndex(name);
    if (i < 0) {
        // A field the program's own code misspelt, never something the operator did.
        qWarning("RecordSet: no field %s", qPrintable(name));
        Q_ASSERT_X(false, "RecordSet", "unknown field");
    }
    return i;
}

void RecordSet::addNew()
{
    m_rows.append(QList<QVariant>(m_fields.size()));
    m_pos = int(m_rows.size()) - 1;
}

void RecordSet::setValue(const QString &name, const QVariant &value)
{
    const int i = checkedField(name);
    if (i < 0)
        return;
    if (eof())
        throw CoreError(QStringLiteral("打印数据没有当前记录"));
    QVariant v;
    if (!value.isNull() && !(value.typeId() == QMetaType::QString && value.toString().isEmpty() &&
                             m_fields[i].type != Type::Text)) {
        switch (m_fields[i].type) {
        case Type::Text: {
            QString s = value.toString();
            if (m_fields[i].size > 0 && s.size() > m_fields[i].size)
                s.truncate(m_fields[i].size);
            v = s;
            break;
        }
        case Type::Date: {
            const QDateTime dt = db::Row::toDateTime(value);
            if (dt.isValid())
                v = dt;
            break;
        }
        case Type::Integer:
            v = value.typeId() == QMetaType::QString ? qlonglong(NumberText::val(value.toString()))
                                                     : value.toLongLong();
            break;
        case Type::Double:
            v = value.typeId() == QMetaType::QString ? NumberText::val(value.toString())
                                                     : value.toDouble();
            break;
        }
    }
    m_rows[m_pos][i] = v;
}

QVariant RecordSet::value(const QString &name) const
{
    return eof() ? QVariant() : value(m_pos, name);
}

QVariant RecordSet::value(int record, const QString &name) const
{
    const int i = checkedField(name);
    if (i < 0 || record < 0 || record >= m_rows.size())
        return QVariant();
    return m_rows[record][i];
}

RecordSet::Type RecordSet::type(const QString &name) const
{
    const int i = checkedField(name);
    return i < 0 ? Type::Text : m_fields[i].type;
}

QString RecordSet::text(int record, const QString &name) const
{
    const QVariant v = value(record, name);
    if (v.isNull())
        return QString();
    switch (type(name)) {
    case Type::Date: {
        const QDateTime dt = v.toDateTime();
        return dt.time() == QTime(0, 0) ? dt.toString(QStringLiteral("yyyy-MM-dd"))
                                        : dt.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    }
    case Type::Double:
        return Money::fromVariant(v).format();
    case Type::Integer:
        return QString::number(v.toLongLong());
    case Type::Text:
        break;
    }
    return v.toString();
}
