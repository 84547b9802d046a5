#include "core/frame/FileVersion.h"

#include <QCoreApplication>
#include <QFileInfo>

QString FileVersion::GetFileVer(const QString &path)
{
    // Our executables carry no version resource; the build's version stands for them.
    const QFileInfo info(path);
    return info.exists() ? QStringLiteral(KWPOS_VERSION) : QString();
}
