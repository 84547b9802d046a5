#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// What was handed out against one order line: the sale bills' times and quantities, and the
// plain text lines the counter prints of them.
class OrderOutDetail
{
public:
    struct Line
    {
        QDateTime time;
        double qty = 0.0;
    };

    // Sale lines that handed goods out against the order line, in bill-date order. Keyed by
    // the line, not its item: an exchange rewrites the line's item but not what was handed out.
    // Throws CoreError on a database failure.
    static QList<Line> load(const QString &cnstr, int orderId, int entryId);
    static double total(const QList<Line> &lines);

    static QString timeText(const QDateTime &time);
    static QString vipLabel(const QString &vipNo);
    static QString orderQtyLabel(int orderQty);
    static QString saleQtyLabel(double saleQty);

    // The print: the three labels, an empty line, the column heads, one line per grid row
    // (each row's date text and quantity text).
    static QStringList printLines(const QString &vipLabel, const QString &orderQtyLabel,
                                  const QString &saleQtyLabel,
                                  const QList<QStringList> &rows);
};
