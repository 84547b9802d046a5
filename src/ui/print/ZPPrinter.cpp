#include "ui/print/ZPPrinter.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "ui/widgets/DialogRunner.h"
#include "core/base/CoreError.h"
#include "ui/print/GridExporter.h"

namespace {

constexpr double UnitsPerMm = 100;
constexpr double UnitsPerPt = 25.4 / 72 * UnitsPerMm;
constexpr double MmPerScreenPixel = 25.4 / 96;

QFont font(double pt, bool bold = false)
{
    // The receipts' faces (TemplateRenderer): text that copies and searches as typed.
    QFont f;
    f.setFamilies({QStringLiteral("WenQuanYi Micro Hei Mono"), QStringLiteral("Noto Sans Mono CJK SC"),
                   QStringLiteral("Noto Sans CJK SC"), QStringLiteral("SimSun")});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(qMax(1, qRound(pt * UnitsPerPt)));
    f.setBold(bold);
    return f;
}

QPageSize::PageSizeId pageId(const QString &paper)
{
    if (paper == u"A5")
        return QPageSize::A5;
    if (paper == u"B5")
        return QPageSize::B5;
    if (paper == u"Letter")
        return QPageSize::Letter;
    return QPageSize::A4;
}

} // namespace

struct ZPPrinter::Metrics
{
    double left = 0, top = 0, width = 0, height = 0; // printable area, units
    QList<double> colWidths;
    double fontPt = 9;
    double rowH = 0, titleH = 0, subTitleH = 0, footH = 0, pageNoH = 0;
    int firstPageRows = 0, otherPageRows = 0;
};

QPageLayout ZPPrinter::pageLayout() const
{
    return QPageLayout(QPageSize(pageId(m_setup.paper)),
                       m_setup.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(m_setup.left, m_setup.top, m_setup.right, m_setup.bottom),
                       QPageLayout::Millimeter);
}

void ZPPrinter::prepare(const QString &cnstr, const QString &formatName, const QStringList &titleLines,
                        const KeyedGrid &grid, const QStringList &footerLines)
{
    m_formatName = formatName;
    m_setup = GridFormatStore::pageSetup(cnstr, formatName);
    m_grid = GridExporter::snapshot(grid);
    m_titles = titleLines;
    m_footers = footerLines;
    if (m_grid.columns.isEmpty())
        throw CoreError(QStringLiteral("表格没有可打印的列！"));
}

void ZPPrinter::DoPrint(bool, const QString &cnstr, const QString &formatName, const QStringList &titleLines,
                        const KeyedGrid &grid, const QStringList &footerLines)
{
    prepare(cnstr, formatName, titleLines, grid, footerLines);
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(titleLines.value(0, formatName));
    printer.setPageLayout(pageLayout());
    QPrintPreviewDialog preview(&printer);
    preview.setWindowTitle(QStringLiteral("打印预览 - ") + titleLines.value(0, formatName));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [this](QPrinter *p) { paint(*p, p->resolution()); });
    preview.resize(900, 700);
    DialogRunner::exec(preview);
}

void ZPPrinter::writePdf(const QString &path)
{
    {
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly))
            throw CoreError(QStringLiteral("无法写入文件“%1”：%2").arg(path, probe.errorString()));
    }
    QPdfWriter pdf(path);
    pdf.setResolution(300);
    pdf.setCreator(QStringLiteral("kwpos"));
    pdf.setTitle(m_titles.value(0));
    pdf.setPageLayout(pageLayout());
    paint(pdf, 300);
}

void ZPPrinter::paint(QPagedPaintDevice &device, int resolution)
{
    Metrics m;
    const QRectF area = pageLayout().paintRect(QPageLayout::Millimeter);
    m.width = area.width() * UnitsPerMm;
    m.height = area.height() * UnitsPerMm;

    // Columns keep their screen proportions; a grid wider than the paper is shrunk to fit.
    double natural = 0;
    for (const GridSnapshot::Column &c : m_grid.columns)
        natural += c.width * MmPerScreenPixel * UnitsPerMm;
    const double shrink = natural > m.width ? m.width / natural : 1.0;
    for (const GridSnapshot::Column &c : m_grid.columns)
        m.colWidths << c.width * MmPerScreenPixel * UnitsPerMm * shrink;
    m.fontPt = qMax(6.0, 9 * qMin(1.0, shrink * 1.25));

    m.rowH = QFontMetricsF(font(m.fontPt)).height() * 1.45;
    m.titleH = QFontMetricsF(font(15, true)).height() * 1.4;
    m.subTitleH = QFontMetricsF(font(10)).height() * 1.3;
    m.footH = QFontMetricsF(font(9)).height() * 1.6;
    m.pageNoH = QFontMetricsF(font(8)).height() * 1.5;
    double titles = 0;
    for (int i = 0; i < m_titles.size(); ++i)
        titles += i == 0 ? m.titleH : m.subTitleH;
    const double body = m.height - m.pageNoH;
    m.firstPageRows = qMax(1, int((body - titles - m.rowH) / m.rowH));
    m.otherPageRows = qMax(1, int((body - m.rowH) / m.rowH));

    // Page breaks: the footer lines go below the last line, on a page of their own if need be.
    QList<std::pair<int, int>> pages; // first line, line count
    int next = 0;
    const int total = int(m_grid.lines.size());
    do {
        const int cap = pages.isEmpty() ? m.firstPageRows : m.otherPageRows;
        const int n = qMin(cap, total - next);
        pages.append({next, n});
        next += n;
    } while (next < total);
    const auto &lastPage = pages.last();
    const double usedOnLast = (pages.size() == 1 ? titles : 0) + m.rowH * (lastPage.second + 1);
    if (!m_footers.isEmpty() && usedOnLast + m.footH > body)
        pages.append({total, 0});
    m_pages = int(pages.size());

    QPainter p;
    if (!p.begin(&device))
        throw CoreError(QStringLiteral("无法开始打印"));
    const double scale = resolution / 25.4 / UnitsPerMm;
    for (int i = 0; i < pages.size(); ++i) {
        if (i > 0)
            device.newPage();
        p.save();
        p.scale(scale, scale);
        paintPage(p, m, i, pages[i].first, pages[i].first + pages[i].second, i == pages.size() - 1);
        p.restore();
    }
    p.end();
}

void ZPPrinter::paintPage(QPainter &p, const Metrics &m, int page, int firstLine, int lastLine, bool last)
{
    double y = 0;
    if (page == 0) {
        for (int i = 0; i < m_titles.size(); ++i) {
            const double h = i == 0 ? m.titleH : m.subTitleH;
            p.setFont(i == 0 ? font(15, true) : font(10));
            p.setPen(Qt::black);
            p.drawText(QRectF(0, y, m.width, h), Qt::AlignCenter, m_titles[i]);
            y += h;
        }
    }
    const double tableWidth = [&] {
        double w = 0;
        for (double c : m.colWidths)
            w += c;
        return w;
    }();
    QPen grid(QColor(0x60, 0x60, 0x60), 0.15 * UnitsPerMm);
    auto drawRow = [&](const QStringList &cells, const QString &back, bool header) {
        double x = 0;
        if (header)
            p.fillRect(QRectF(0, y, tableWidth, m.rowH), QColor(0xE8, 0xE8, 0xE8));
        else if (!back.isEmpty())
            p.fillRect(QRectF(0, y, tableWidth, m.rowH), QColor(back));
        p.setFont(font(m.fontPt, header));
        const QFontMetricsF fm(font(m.fontPt, header));
        for (int c = 0; c < m.colWidths.size(); ++c) {
            const double w = m.colWidths[c];
            p.setPen(grid);
            p.drawRect(QRectF(x, y, w, m.rowH));
            p.setPen(Qt::black);
            const QRectF r(x + 0.8 * UnitsPerMm, y, w - 1.6 * UnitsPerMm, m.rowH);
            const int align = header ? Qt::AlignHCenter : m_grid.columns[c].numeric ? Qt::AlignRight : Qt::AlignLeft;
            // One line per grid row: line breaks typed into a cell print as spaces.
            QString text = cells.value(c);
            text.replace(u'\n', u' ').remove(u'\r');
            p.drawText(r, align | Qt::AlignVCenter, fm.elidedText(text, Qt::ElideRight, r.width()));
            x += w;
        }
        y += m.rowH;
    };
    QStringList headers;
    for (const GridSnapshot::Column &c : m_grid.columns)
        headers << c.header;
    drawRow(headers, QString(), true);
    for (int l = firstLine; l < lastLine; ++l)
        drawRow(m_grid.lines[l].cells, m_grid.lines[l].backColor, false);

    if (last && !m_footers.isEmpty()) {
        p.setFont(font(9));
        p.setPen(Qt::black);
        const double w = m.width / m_footers.size();
        for (int i = 0; i < m_footers.size(); ++i) {
            const int align = i == 0 ? Qt::AlignLeft : i == m_footers.size() - 1 ? Qt::AlignRight : Qt::AlignHCenter;
            p.drawText(QRectF(i * w, y, w, m.footH), align | Qt::AlignVCenter, m_footers[i]);
        }
    }
    p.setFont(font(8));
    p.drawText(QRectF(0, m.height - m.pageNoH, m.width, m.pageNoH), Qt::AlignCenter,
               QStringLiteral("第 %1 页，共 %2 页").arg(page + 1).arg(m_pages));
}
