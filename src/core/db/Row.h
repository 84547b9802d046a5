#pragma once

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "core/frame/Money.h"

namespace db {

// One row of a result, read by column name without regard to case (PostgreSQL hands
// back lower-case names, SQLite the names as written).
class Row
{
public:
    void append(const QString &name, const QVariant &value);

    bool has(const QString &name) const;
    QVariant value(const QString &name) const; // throws DbError for an unknown column
    QVariant at(int index) const;
    int count() const { return m_values.size(); }
    QStringList columns() const { return m_names; }

    bool isNull(const QString &name) const;
    QString text(const QString &name) const;    // NULL reads as ""
    double number(const QString &name) const;   // NULL or non-numeric reads as 0
    int integer(const QString &name) const;     // NULL reads as 0
    Money money(const QString &name) const;     // exact; NULL reads as 0
    QDate date(const QString &name) const;
    QDateTime dateTime(const QString &name) const;

    // Converts what an engine hands back for a date column (QDate, QDateTime or ISO text).
    static QDateTime toDateTime(const QVariant &v);

private:
    int indexOf(const QString &name) const;
    QStringList m_names;
    QList<QVariant> m_values;
    QHash<QString, int> m_index; // lower-case name -> first index
};

using Rows = QList<Row>;
using Params = QVariantList;

} // namespace db
