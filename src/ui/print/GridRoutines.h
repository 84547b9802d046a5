#pragma once

#include <QString>

class KeyedGrid;

// The grid routines of list and report screens. The format name is the screen's name, so
// every list keeps its own page set-up and column widths (shared by the shop's stations).
// Failures throw CoreError for the screen to show.

// Shows "页面设置" for the format name; after OK the stored format is applied to the grid.
void GridPageSet(KeyedGrid &grid, int cols, const QString &formatName);
// Applies the stored column widths (0 hides a column) without touching the header texts.
void GridSetFormat(KeyedGrid &grid, const QString &formatName);
// Stores the grid's column widths (hidden columns as 0). With keepStored, widths already
// stored under the name are left as they are (a screen's first layout, written once).
void GridWriteWidth(const KeyedGrid &grid, const QString &formatName, bool keepStored = false);
// Exports the grid as shown to a file the operator picks: .xlsx (numbers as numbers) or
// .csv (UTF-8). Cancelling the file choice does nothing.
void GridExport(const KeyedGrid &grid, const QString &title);
