#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A grid as the operator sees it, taken for printing and export: the visible columns in
// screen order (hidden ones left out) and the lines' texts with their back colours.
class GridSnapshot
{
public:
    struct Column
    {
        QString key;
        QString header;
        int width = 80;       // pixels on screen
        bool numeric = false; // right-aligned: its numbers export as numbers
    };
    struct Line
    {
        QStringList cells;
        QString backColor; // "#rrggbb", empty for none
    };

    QList<Column> columns;
    QList<Line> lines;

    // Number in a numeric column's cell, grouping commas allowed; false for anything else.
    bool numberAt(int line, int col, double *value) const;

    // UTF-8 with a byte-order mark (spreadsheets then read the Chinese right), comma
    // separated, fields quoted when they hold a comma, quote or line break.
    QByteArray toCsv() const;
    static QString csvField(const QString &text);
};
