#include "ui/print/GridExporter.h"

#include <QFile>
#include <QHash>
#include <QHeaderView>

#include <xlsxwriter.h>

#include "ui/widgets/KeyedGrid.h"
#include "core/base/CoreError.h"

GridSnapshot GridExporter::snapshot(const KeyedGrid &grid)
{
    GridSnapshot s;
    QList<int> cols;
    const QHeaderView *h = grid.horizontalHeader();
    for (int v = 0; v < grid.cols(); ++v) {
        const int c = h->logicalIndex(v);
        if (grid.isColumnHidden(c))
            continue;
        cols << c;
        const QString key = grid.colKey(c);
        const QTableWidgetItem *hi = grid.horizontalHeaderItem(c);
        const int align = hi ? hi->data(Qt::UserRole + 2).toInt() : 0;
        s.columns.append({key, grid.header(key), grid.columnWidth(c), (align & Qt::AlignRight) != 0});
    }
    for (int r = 1; r < grid.rows(); ++r) {
        GridSnapshot::Line line;
        for (int c : cols) {
            const QString key = grid.colKey(c);
            line.cells << grid.text(r, key);
            const QColor bc = grid.backColor(r, key);
            if (line.backColor.isEmpty() && bc.isValid())
                line.backColor = bc.name();
        }
        s.lines.append(line);
    }
    return s;
}

void GridExporter::writeCsv(const GridSnapshot &grid, const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw CoreError(QStringLiteral("无法写入文件“%1”：%2").arg(path, f.errorString()));
    const QByteArray bytes = grid.toCsv();
    if (f.write(bytes) != bytes.size())
        throw CoreError(QStringLiteral("写文件“%1”失败：%2").arg(path, f.errorString()));
}

void GridExporter::writeXlsx(const GridSnapshot &grid, const QString &path, const QString &title)
{
    {
        // libxlsxwriter reports an unwritable file only at the end, without the reason.
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly))
            throw CoreError(QStringLiteral("无法写入文件“%1”：%2").arg(path, probe.errorString()));
    }
    const QByteArray file = path.toUtf8();
    lxw_workbook *wb = workbook_new(file.constData());
    if (!wb)
        throw CoreError(QStringLiteral("无法创建文件“%1”").arg(path));
    QString sheetName = title;
    for (const QChar bad : {u'[', u']', u':', u'*', u'?', u'/', u'\\'})
        sheetName.replace(bad, u'_');
    sheetName = sheetName.left(31).trimmed();
    const QByteArray sheetUtf8 = (sheetName.isEmpty() ? QStringLiteral("Sheet1") : sheetName).toUtf8();
    lxw_worksheet *ws = workbook_add_worksheet(wb, sheetUtf8.constData());

    lxw_format *titleFmt = workbook_add_format(wb);
    format_set_bold(titleFmt);
    format_set_font_size(titleFmt, 14);
    lxw_format *headFmt = workbook_add_format(wb);
    format_set_bold(headFmt);
    format_set_bg_color(headFmt, 0xE8E8E8);
    format_set_border(headFmt, LXW_BORDER_THIN);
    QHash<QString, std::pair<lxw_format *, lxw_format *>> fills; // colour -> (text, number)
    auto formats = [&](const QString &colour) {
        auto it = fills.find(colour);
        if (it != fills.end())
            return it.value();
        lxw_format *t = workbook_add_format(wb);
        lxw_format *n = workbook_add_format(wb);
        format_set_num_format(n, "0.00");
        for (lxw_format *f : {t, n}) {
            format_set_border(f, LXW_BORDER_THIN);
            if (!colour.isEmpty())
                format_set_bg_color(f, QColor(colour).rgb() & 0xFFFFFF);
        }
        return fills.insert(colour, {t, n}).value();
    };

    int row = 0;
    if (!title.isEmpty()) {
        const QByteArray t = title.toUtf8();
        worksheet_write_string(ws, 0, 0, t.constData(), titleFmt);
        row = 2;
    }
    for (int c = 0; c < grid.columns.size(); ++c) {
        const QByteArray h = grid.columns[c].header.toUtf8();
        worksheet_write_string(ws, lxw_row_t(row), lxw_col_t(c), h.constData(), headFmt);
        worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), qMax(6.0, grid.columns[c].width / 7.0), nullptr);
    }
    ++row;
    for (int l = 0; l < grid.lines.size(); ++l, ++row) {
        const auto [textFmt, numFmt] = formats(grid.lines[l].backColor);
        for (int c = 0; c < grid.columns.size(); ++c) {
            double v = 0;
            if (grid.numberAt(l, c, &v)) {
                worksheet_write_number(ws, lxw_row_t(row), lxw_col_t(c), v, numFmt);
            } else {
                const QByteArray t = grid.lines[l].cells.value(c).toUtf8();
                worksheet_write_string(ws, lxw_row_t(row), lxw_col_t(c), t.constData(), textFmt);
            }
        }
    }
    const lxw_error err = workbook_close(wb);
    if (err != LXW_NO_ERROR)
        throw CoreError(QStringLiteral("写文件“%1”失败：%2").arg(path, QString::fromUtf8(lxw_strerror(err))));
}
