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

} // namespace ListCells
