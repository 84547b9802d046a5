#pragma once

#include <QImage>
#include <QList>
#include <QPageLayout>
#include <QString>

#include "core/print/PrintTemplate.h"

class QPagedPaintDevice;
class QPainter;
class RecordSet;

// Lays a filled template out on paper: a receipt roll gets one page as long as its
// content, a page size gets as many pages as the lines need. Works in hundredths of a
// millimetre, so the same layout lands alike on a printer, a PDF and the preview image.
class TemplateRenderer
{
public:
    TemplateRenderer(const PrintTemplate &tmpl, const RecordSet &data);

    QPageLayout pageLayout() const;
    double widthMm() const;
    int pageCount() const;
    // Paints every page; the device must already carry pageLayout().
    void paint(QPagedPaintDevice &device, int resolution) const;
    // Throws CoreError naming the file when it cannot be written.
    void writePdf(const QString &path) const;
    // The first page, about `dotsPerMm` pixels per millimetre, for on-screen previews.
    QImage image(double dotsPerMm = 4) const;

private:
    struct Placed
    {
        int index;   // into m_filled
        double y;    // top on its page, 0.01 mm
        double h;    // height
        int page;
    };
    double widthUnits() const;
    double heightUnits() const;
    void layout();
    void drawLine(QPainter &p, const Placed &pl) const;

    PrintTemplate m_tmpl;
    QList<PrintTemplate::Filled> m_filled;
    QList<Placed> m_placed;
    double m_rollHeight = 0; // units, rolls only
    int m_pages = 1;
};
