#pragma once

#include <QPageLayout>
#include <QStringList>

#include "core/print/GridFormatStore.h"
#include "core/print/GridSnapshot.h"

class KeyedGrid;
class QPagedPaintDevice;
class QPainter;

// The grid printer of list and report screens: title lines, the grid as shown (hidden
// columns left out, the header row on every page, back colours kept), footer lines and page
// numbers, on the page set-up stored under the screen's format name.
class ZPPrinter
{
public:
    // Opens the print preview, from which the operator prints. The first flag is kept
    // for the callers' argument order. Failures throw CoreError.
    void DoPrint(bool flag, const QString &cnstr, const QString &formatName,
                 const QStringList &titleLines, const KeyedGrid &grid,
                 const QStringList &footerLines = {});

    // The same layout without a dialogue.
    void prepare(const QString &cnstr, const QString &formatName, const QStringList &titleLines,
                 const KeyedGrid &grid, const QStringList &footerLines = {});
    void writePdf(const QString &path);
    void paint(QPagedPaintDevice &device, int resolution);
    int pageCount() const { return m_pages; }
    QPageLayout pageLayout() const;

private:
    struct Metrics;
    void paintPage(QPainter &p, const Metrics &m, int page, int firstLine, int lastLine, bool last);

    GridFormatStore::PageSetup m_setup;
    GridSnapshot m_grid;
    QStringList m_titles;
    QStringList m_footers;
    QString m_formatName;
    int m_pages = 0;
};
