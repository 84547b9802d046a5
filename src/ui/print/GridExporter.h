#pragma once

#include <QString>

#include "core/print/GridSnapshot.h"

class KeyedGrid;

// Export of a grid as the operator sees it: hidden columns left out, lines in screen order.
class GridExporter
{
public:
    static GridSnapshot snapshot(const KeyedGrid &grid);
    // A workbook with the title, the header row and the lines; numbers of right-aligned
    // columns are written as numbers, back colours of subtotal and total lines kept.
    static void writeXlsx(const GridSnapshot &grid, const QString &path, const QString &title);
    static void writeCsv(const GridSnapshot &grid, const QString &path);
};
