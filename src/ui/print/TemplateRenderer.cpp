#include "ui/print/TemplateRenderer.h"

#include <algorithm>

#include <QFile>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <QTextLayout>
#include <QtMath>

#include "core/base/CoreError.h"
#include "core/print/RecordSet.h"

namespace {

constexpr double UnitsPerMm = 100;
constexpr double UnitsPerPt = 25.4 / 72 * UnitsPerMm;

// The colour emoji face: its glyphs are pictures, which a PDF cannot hold as text.
const QString EmojiFamily = QStringLiteral("Noto Color Emoji");

QFont fontFor(const PrintTemplate::Line &l)
{
    // One face for Chinese, letters and digits keeps every run on one baseline. The PDF's text
    // layer names each glyph by the lowest code point the face maps to it; the Noto CJK faces
    // share their ideographs' glyphs with the Kangxi radicals, so "牛" would copy and search as
    // the radical "⽜". WenQuanYi Micro Hei maps its ideographs alone and its monospaced cut
    // suits receipt printers; Noto covers what it lacks, the emoji face the pictures.
    QFont f;
    f.setFamilies({QStringLiteral("WenQuanYi Micro Hei Mono"), QStringLiteral("Noto Sans Mono CJK SC"),
                   QStringLiteral("Noto Sans CJK SC"), EmojiFamily, QStringLiteral("SimSun")});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(qMax(1, qRound(l.size * UnitsPerPt)));
    f.setBold(l.bold);
    return f;
}

// Draws one cell's text as QPainter::drawText would, except that runs of the colour emoji face
// are painted as pictures: a PDF (and so a printer fed by one) would show them blank.
void drawCellText(QPainter &p, const QRectF &rect, int align, const QString &text)
{
    QTextLayout layout(text, p.font());
    QTextOption option(Qt::Alignment(align & Qt::AlignHorizontal_Mask));
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    double height = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(rect.width());
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    const bool pictures = std::any_of(runs.begin(), runs.end(), [](const QGlyphRun &r) {
        return r.rawFont().familyName() == EmojiFamily;
    });
    if (!pictures) {
        p.drawText(rect, Qt::TextWordWrap | Qt::AlignVCenter | align, text);
        return;
    }
    const QPointF origin(rect.left(), rect.top() + (rect.height() - height) / 2);
    for (const QGlyphRun &run : runs) {
        if (run.rawFont().familyName() != EmojiFamily) {
            p.drawGlyphRun(origin, run);
            continue;
        }
        const QRectF box = run.boundingRect();
        if (box.isEmpty())
            continue;
        // About 100 pixels per em: the face's own bitmaps are 109 pixels high.
        const double scale = 100.0 / qMax(1.0, run.rawFont().pixelSize());
        QImage picture(qMax(1, qCeil(box.width() * scale)), qMax(1, qCeil(box.height() * scale)),
                       QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        {
            QPainter pp(&picture);
            pp.setRenderHint(QPainter::SmoothPixmapTransform);
            pp.scale(scale, scale);
            pp.translate(-box.topLeft());
            pp.drawGlyphRun(QPointF(), run);
        }
        p.drawImage(box.translated(origin), picture);
    }
}

int alignFlags(PrintTemplate::Align a)
{
    switch (a) {
    case PrintTemplate::Align::Center:
        return Qt::AlignHCenter;
    case PrintTemplate::Align::Right:
        return Qt::AlignRight;
    case PrintTemplate::Align::Left:
        break;
    }
    return Qt::AlignLeft;
}

QPageSize::PageSizeId pageId(const QString &paper)
{
    if (paper == u"A5")
        return QPageSize::A5;
    if (paper == u"B5")
        return QPageSize::B5;
    return QPageSize::A4;
}

} // namespace

TemplateRenderer::TemplateRenderer(const PrintTemplate &tmpl, const RecordSet &data)
    : m_tmpl(tmpl), m_filled(tmpl.fill(data))
{
    layout();
}

QPageLayout TemplateRenderer::pageLayout() const
{
    if (m_tmpl.isRoll())
        return QPageLayout(QPageSize(QSizeF(m_tmpl.rollWidthMm(), m_rollHeight / UnitsPerMm),
                                     QPageSize::Millimeter, QString(), QPageSize::ExactMatch),
                           QPageLayout::Portrait, QMarginsF());
    return QPageLayout(QPageSize(pageId(m_tmpl.paper)),
                       m_tmpl.landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF());
}

double TemplateRenderer::widthMm() const
{
    return widthUnits() / UnitsPerMm;
}

double TemplateRenderer::widthUnits() const
{
    if (m_tmpl.isRoll())
        return m_tmpl.rollWidthMm() * UnitsPerMm;
    const QPageLayout l(QPageSize(pageId(m_tmpl.paper)),
                        m_tmpl.landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF());
    return l.fullRect(QPageLayout::Millimeter).width() * UnitsPerMm;
}

double TemplateRenderer::heightUnits() const
{
    if (m_tmpl.isRoll())
        return m_rollHeight;
    const QPageLayout l(QPageSize(pageId(m_tmpl.paper)),
                        m_tmpl.landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF());
    return l.fullRect(QPageLayout::Millimeter).height() * UnitsPerMm;
}

void TemplateRenderer::layout()
{
    const double margin = m_tmpl.margin * UnitsPerMm;
    const double inner = qMax(10 * UnitsPerMm, widthUnits() - 2 * margin);
    const double pageBottom = m_tmpl.isRoll() ? 1e12 : heightUnits() - margin;
    double y = margin;
    int page = 0;
    for (int i = 0; i < m_filled.size(); ++i) {
        const PrintTemplate::Filled &f = m_filled[i];
        const QFontMetricsF fm(fontFor(f.line));
        double h = fm.height() * 1.15;
        if (!f.line.isRule()) {
            double x = 0;
            for (int c = 0; c < f.texts.size(); ++c) {
                const double w = inner * f.line.cells[c].width / 100.0;
                const QRectF r = fm.boundingRect(QRectF(x, 0, qMax(1.0, w), 1e9),
                                                 Qt::TextWordWrap | alignFlags(f.line.cells[c].align),
                                                 f.texts[c]);
                h = qMax(h, r.height() * 1.1);
                x += w;
            }
        } else {
            h = fm.height() * 0.8;
        }
        if (y + h > pageBottom && y > margin) {
            ++page;
            y = margin;
        }
        m_placed.append({i, y, h, page});
        y += h;
    }
    m_pages = page + 1;
    m_rollHeight = qMax(40 * UnitsPerMm, y + margin + 4 * UnitsPerMm);
}

int TemplateRenderer::pageCount() const
{
    return m_pages;
}

void TemplateRenderer::drawLine(QPainter &p, const Placed &pl) const
{
    const PrintTemplate::Filled &f = m_filled[pl.index];
    const double margin = m_tmpl.margin * UnitsPerMm;
    const double inner = qMax(10 * UnitsPerMm, widthUnits() - 2 * margin);
    if (f.line.isRule()) {
        QPen pen(Qt::black, 0.2 * UnitsPerMm, Qt::DashLine);
        p.setPen(pen);
        p.drawLine(QPointF(margin, pl.y + pl.h / 2), QPointF(margin + inner, pl.y + pl.h / 2));
        return;
    }
    p.setPen(Qt::black);
    p.setFont(fontFor(f.line));
    double x = margin;
    for (int c = 0; c < f.texts.size(); ++c) {
        const double w = inner * f.line.cells[c].width / 100.0;
        drawCellText(p, QRectF(x, pl.y, w, pl.h), alignFlags(f.line.cells[c].align), f.texts[c]);
        x += w;
    }
}

void TemplateRenderer::paint(QPagedPaintDevice &device, int resolution) const
{
    QPainter p;
    if (!p.begin(&device))
        throw CoreError(QStringLiteral("无法开始打印"));
    // The device's paint area starts at its own margins; ours are in the template.
    const QRectF paintRect = device.pageLayout().paintRectPixels(resolution);
    const double scale = resolution / 25.4 / UnitsPerMm;
    int page = 0;
    p.save();
    p.translate(-paintRect.topLeft());
    p.scale(scale, scale);
    for (const Placed &pl : m_placed) {
        while (pl.page > page) {
            p.restore();
            device.newPage();
            ++page;
            p.save();
            p.translate(-paintRect.topLeft());
            p.scale(scale, scale);
        }
        drawLine(p, pl);
    }
    p.restore();
    p.end();
}

void TemplateRenderer::writePdf(const QString &path) const
{
    {
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly))
            throw CoreError(QStringLiteral("无法写入文件“%1”：%2").arg(path, probe.errorString()));
    }
    QPdfWriter pdf(path);
    pdf.setResolution(600);
    pdf.setCreator(QStringLiteral("kwpos"));
    pdf.setPageLayout(pageLayout());
    paint(pdf, 600);
}

QImage TemplateRenderer::image(double dotsPerMm) const
{
    const double w = widthUnits() / UnitsPerMm, h = heightUnits() / UnitsPerMm;
    QImage img(qMax(1, qRound(w * dotsPerMm)), qMax(1, qRound(h * dotsPerMm)), QImage::Format_RGB32);
    img.fill(Qt::white);
    img.setDotsPerMeterX(qRound(dotsPerMm * 1000));
    img.setDotsPerMeterY(qRound(dotsPerMm * 1000));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const double scale = dotsPerMm / UnitsPerMm;
    p.scale(scale, scale);
    for (const Placed &pl : m_placed)
        if (pl.page == 0)
            drawLine(p, pl);
    return img;
}
