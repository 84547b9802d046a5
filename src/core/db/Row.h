#pragma once

#include <memory>
#include <vector>

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "core/base/Money.h"

namespace db {

// The column names of one result, folded once and shared by every row of it.
class RowColumns
{
public:
    explicit RowColumns(const QStringList &names);
    // First column of that name without regard to case, or -1. Allocates nothing.
    int indexOf(QStringView name) const;
    const QStringList &names() const { return m_names; }

private:
    QStringList m_names;
    std::vector<size_t> m_folded; // case-folded hash of each name, compared before the text
};

// One row of a result, read by column name without regard to case (PostgreSQL hands
// back lower-case names, SQLite the names as written).
class Row
{
public:
    Row() = default;
    Row(std::shared_ptr<const RowColumns> columns, QList<QVariant> values);

    // Builds a row column by column (rows of a result share their columns instead).
    void append(const QString &name, const QVariant &value);

    bool has(const QString &name) const;
    QVariant value(const QString &name) const; // throws DbError for an unknown column
    QVariant at(int index) const;
    int count() const { return m_values.size(); }
    QStringList columns() const;

    bool isNull(const QString &name) const;
    QString text(const QString &name) const;    // NULL reads as ""
    double number(const QString &name) const;   // NULL or non-numeric reads as 0
    int integer(const QString &name) const;     // NULL reads as 0
    Money money(const QString &name) const;     // exact; NULL reads as 0
    QDate date(const QString &name) const;
    QDateTime dateTime(const QString &name) const;

    // Converts what an engine hands back for a date column (QDate, QDateTime or ISO text).
    static QDateTime toDateTime(const QVariant &v);
    static QDate toDate(const QVariant &v);

private:
    int indexOf(const QString &name) const;
    const QVariant &valueRef(const QString &name) const;
    std::shared_ptr<const RowColumns> m_columns;
    QList<QVariant> m_values;
};

using Rows = QList<Row>;
using Params = QVariantList;

} // namespace db
