#include "core/base/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace PrivateFiles {

namespace {

constexpr QFile::Permissions kFile = QFile::ReadOwner | QFile::WriteOwner;
constexpr QFile::Permissions kDir = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

} // namespace

void protectFolder(const QString &dir, const QStringList &patterns)
{
    if (!QFileInfo(dir).isDir())
        return;
    QFile::setPermissions(dir, kDir);
    for (const QFileInfo &f : QDir(dir).entryInfoList(patterns, QDir::Files | QDir::Hidden))
        QFile::setPermissions(f.absoluteFilePath(), kFile);
}

bool makeDir(const QString &path, bool tightenExisting)
{
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).isDir()) {
        if (tightenExisting)
            QFile::setPermissions(path, kDir);
        return true;
    }
    if (!QDir().mkpath(path))
        return false;
    QFile::setPermissions(path, kDir);
    return true;
}

bool createFile(const QString &path)
{
    if (QFileInfo::exists(path)) {
        protect(path);
        return true;
    }
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    f.setPermissions(kFile);
    return true;
}

void protect(const QString &path)
{
    if (QFileInfo(path).isFile())
        QFile::setPermissions(path, kFile);
}

void protectShopFile(const QString &path)
{
    for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"),
                                  QStringLiteral("-journal")})
        protect(path + suffix);
    protectFolder(QFileInfo(path).absolutePath() + QStringLiteral("/backups"),
                  {QStringLiteral("*")});
}

} // namespace PrivateFiles
