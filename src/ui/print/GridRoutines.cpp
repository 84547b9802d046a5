#include "ui/print/GridRoutines.h"

#include <QDir>
#include <QFileInfo>

#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/KeyedGrid.h"
#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "core/print/ExportFolder.h"
#include "ui/print/FileChooser.h"
#include "ui/print/GridExporter.h"
#include "core/print/GridFormatStore.h"
#include "ui/print/PageSetDialog.h"

void GridPageSet(KeyedGrid &grid, int, const QString &formatName)
{
    PageSetDialog dlg(GetCnstr(), formatName, grid.window());
    DialogRunner::exec(dlg);
    if (dlg.OK)
        GridSetFormat(grid, formatName);
}

void GridSetFormat(KeyedGrid &grid, const QString &formatName)
{
    for (const GridFormatStore::Width &w : GridFormatStore::widths(GetCnstr(), formatName))
        if (grid.colIndex(w.key) >= 0)
            grid.setColWidth(w.key, w.width);
}

void GridWriteWidth(const KeyedGrid &grid, const QString &formatName, bool keepStored)
{
    if (keepStored && !GridFormatStore::widths(GetCnstr(), formatName).isEmpty())
        return;
    QList<GridFormatStore::Width> widths;
    for (int c = 0; c < grid.cols(); ++c)
        widths.append({grid.colKey(c), grid.colWidth(grid.colKey(c))});
    GridFormatStore::saveWidths(GetCnstr(), formatName, widths);
}

void GridExport(const KeyedGrid &grid, const QString &title)
{
    QString base = title.trimmed().isEmpty() ? QStringLiteral("导出") : title.trimmed();
    for (const QChar bad : {u'/', u'\\', u':', u'*', u'?', u'"', u'<', u'>', u'|'})
        base.replace(bad, u'_');
    QString path = FileChooser::current().saveFileName(
        QStringLiteral("导出"), QDir(ExportFolder::start()).filePath(base + QStringLiteral(".xlsx")),
        QStringLiteral("Excel 工作簿 (*.xlsx);;CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != u"xlsx" && suffix != u"csv")
        path += QStringLiteral(".xlsx");
    const GridSnapshot snap = GridExporter::snapshot(grid);
    if (QFileInfo(path).suffix().toLower() == u"csv")
        GridExporter::writeCsv(snap, path);
    else
        GridExporter::writeXlsx(snap, path, title);
    // Only a folder that took a file is offered next time.
    ExportFolder::remember(path);
    Prompts::current().information(QStringLiteral("导出完成：\n%1").arg(QDir::toNativeSeparators(path)));
}
