#include "core/print/ExportFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "core/frame/KwStore.h"

namespace {

const QString kStore = QStringLiteral("KwStore");
const QString kSection = QStringLiteral("Export");
const QString kKey = QStringLiteral("LastFolder");

} // namespace

QString ExportFolder::start()
{
    const QString last = KwStore::get(kStore, kSection, kKey);
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

void ExportFolder::remember(const QString &chosenPath)
{
    if (chosenPath.isEmpty())
        return;
    KwStore::set(kStore, kSection, kKey, QFileInfo(chosenPath).absolutePath());
}
