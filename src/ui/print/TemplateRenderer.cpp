#include "ui/print/TemplateRenderer.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "core/db/DbError.h"
#include "core/print/RecordSet.h"

namespace {

constexpr double UnitsPerMm = 100;
constexpr double UnitsPerPt = 25.4 / 72 * UnitsPerMm;

QFont fontFor(const PrintTemplate::Line &l)
{
    // One face for Chinese, letters and digits keeps every run on one baseline. The
    // proportional CJK face shapes digits after letters into glyphs a PDF's text layer cannot
    // name ("V0004" would not copy or search); its monospaced sibling does not, and suits
    // receipt printers anyway.
    QFont f;
    f.setFamilies({QStringLiteral("Noto Sans Mono CJK SC"), QStringLiteral("Noto Sans CJK SC"),
                   QStringLiteral("SimSun")});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(qMax(1, qRound(l.size * UnitsPerPt)));
    f.setBold(l.bold);
    return f;
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
        p.drawText(QRectF(x, pl.y, w, pl.h),
                   Qt::TextWordWrap | Qt::AlignVCenter | alignFlags(f.line.cells[c].align), f.texts[c]);
        x += w;
    }
}

void TemplateRenderer::paint(QPagedPaintDevice &device, int resolution) const
{
    QPainter p;
    if (!p.begin(&device))
        throw db::DbError(QStringLiteral("无法开始打印"));
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
            throw db::DbError(QStringLiteral("无法写入文件“%1”：%2").arg(path, probe.errorString()));
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
