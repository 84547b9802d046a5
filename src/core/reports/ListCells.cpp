#include "core/reports/ListCells.h"

namespace ListCells {

QString quantity(Money qty)
{
    if (qty.units() % Money::Scale == 0)
        return QString::number(qty.units() / Money::Scale);
    QString text = QString::number(qty.toDouble(), 'f', 4);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    return text;
}

QString date(const QDate &date)
{
    // The ISO form is yyyy-MM-dd without parsing a format for each of a long list's cells.
    return date.isValid() ? date.toString(Qt::ISODate) : QString();
}

QString dateTime(const QDateTime &dateTime)
{
    return dateTime.isValid() ? dateTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                              : QString();
}

QString count(int bills)
{
    return QStringLiteral("共%1张单据").arg(bills);
}

ReportRow totalRow(const QList<GridSnapshot::Column> &columns,
                   std::initializer_list<std::pair<const char *, QString>> cells)
{
    ReportRow row{ReportRow::Total, QStringList(columns.size(), QString())};
    if (!columns.isEmpty())
        row.cells[0] = QStringLiteral("合计");
    for (const auto &[key, text] : cells) {
        int at = -1;
        for (int i = 0; i < columns.size() && at < 0; ++i)
            if (columns[i].key.compare(QLatin1String(key), Qt::CaseInsensitive) == 0)
                at = i;
        Q_ASSERT_X(at >= 0, "ListCells::totalRow", key);
        if (at >= 0)
            row.cells[at] = text;
    }
    return row;
}

} // namespace ListCells
