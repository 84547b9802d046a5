#include "ui/print/KwTdPrinter.h"

#include <memory>

#include <QDateTime>
#include <QDir>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>

#include "ui/widgets/DialogRunner.h"
#include "core/frame/StationSettings.h"
#include "core/frame/Prompts.h"
#include "core/base/CoreError.h"
#include "core/print/RecordSet.h"
#include "core/print/TemplateLibrary.h"
#include "ui/print/TemplateRenderer.h"
#include "core/print/TemplateStore.h"

QString KwTdPrinter::spoolDir()
{
    const QString spool = qEnvironmentVariable("KWPOS_SPOOL_DIR");
    if (!spool.isEmpty())
        return spool;
    QString data = qEnvironmentVariable("KWPOS_DATA_DIR");
    if (data.isEmpty())
        data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/kwpos");
    return data + QStringLiteral("/spool");
}

QString KwTdPrinter::stationPrinter()
{
    return StationSettings::receiptPrinter();
}

QPrintPreviewDialog *KwTdPrinter::createPreview(const PrintTemplate &tmpl, const RecordSet &data,
                                                const QString &docName, QWidget *parent)
{
    auto renderer = std::make_shared<TemplateRenderer>(tmpl, data);
    auto *printer = new QPrinter(QPrinter::HighResolution);
    printer->setDocName(docName);
    printer->setPageLayout(renderer->pageLayout());
    auto *preview = new QPrintPreviewDialog(printer, parent);
    QObject::connect(preview, &QObject::destroyed, [printer] { delete printer; });
    preview->setWindowTitle(QStringLiteral("打印预览 - ") + docName);
    QObject::connect(preview, &QPrintPreviewDialog::paintRequested, preview, [renderer](QPrinter *p) {
        p->setPageLayout(renderer->pageLayout());
        renderer->paint(*p, p->resolution());
    });
    preview->resize(720, 820);
    return preview;
}

void KwTdPrinter::DoPrint(bool &printDirect, const QString &cnstr, int tranType, bool, bool,
                          RecordSet &data, const QString &templateName)
{
    m_spooled.clear();
    if (data.recordCount() == 0)
        throw CoreError(QStringLiteral("没有可打印的数据！"));
    const PrintTemplate tmpl = TemplateStore::resolve(cnstr, tranType, templateName, &m_usedBuiltIn);
    const TemplateRenderer renderer(tmpl, data);
    data.moveFirst();
    const QString docName = TemplateLibrary::typeName(tranType) + QStringLiteral(" - ") + templateName;

    if (!printDirect) {
        const std::unique_ptr<QPrintPreviewDialog> preview(createPreview(tmpl, data, docName));
        DialogRunner::exec(*preview);
        return;
    }

    const QString wanted = stationPrinter();
    const QPrinterInfo info = wanted.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(wanted);
    if (!info.isNull()) {
        QPrinter printer(info, QPrinter::HighResolution);
        printer.setDocName(docName);
        printer.setPageLayout(renderer.pageLayout());
        renderer.paint(printer, printer.resolution());
        if (printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted)
            throw CoreError(QStringLiteral("打印机“%1”打印失败").arg(info.printerName()));
        return;
    }

    // No printer to print on: the document must not be lost, so it goes to the spool folder.
    const QString dir = spoolDir();
    if (!QDir().mkpath(dir))
        throw CoreError(QStringLiteral("无法创建文件夹“%1”").arg(QDir::toNativeSeparators(dir)));
    const QString path = QDir(dir).filePath(
        QStringLiteral("%1-%2.pdf").arg(tranType).arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"))));
    renderer.writePdf(path);
    m_spooled = path;
    const QString where = QDir::toNativeSeparators(path);
    if (!m_spoolNotice)
        return;
    Prompts::current().information(
        wanted.isEmpty()
            ? QStringLiteral("本机没有可用的打印机，单据已保存为 PDF 文件：\n%1").arg(where)
            : QStringLiteral("找不到打印机“%1”，单据已保存为 PDF 文件：\n%2").arg(wanted, where));
}
