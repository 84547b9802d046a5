#include "core/frame/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/db/ConnectionString.h"
#include "core/db/Dialect.h"
#include "core/frame/AccountSets.h"
#include "core/frame/KwStore.h"

namespace PrivateFiles {

namespace {

constexpr QFile::Permissions kFile = QFile::ReadOwner | QFile::WriteOwner;
constexpr QFile::Permissions kDir = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

void protectDirAndFiles(const QString &dir, const QStringList &patterns)
{
    if (!QFileInfo(dir).isDir())
        return;
    QFile::setPermissions(dir, kDir);
    for (const QFileInfo &f : QDir(dir).entryInfoList(patterns, QDir::Files | QDir::Hidden))
        QFile::setPermissions(f.absoluteFilePath(), kFile);
}

} // namespace

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
    protectDirAndFiles(QFileInfo(path).absolutePath() + QStringLiteral("/backups"),
                       {QStringLiteral("*")});
}

void tightenAtStart()
{
    protectDirAndFiles(KwStore::configDir(), {QStringLiteral("*.ini")});
    const QString data = AccountSets::dataDir();
    protectDirAndFiles(data, {QStringLiteral("*.db"), QStringLiteral("*-wal"),
                              QStringLiteral("*-shm"), QStringLiteral("*.dump")});
    protectDirAndFiles(data + QStringLiteral("/backups"), {QStringLiteral("*")});
    for (const AccountSets::Entry &e : AccountSets::list()) {
        try {
            const db::ConnectionString cs = db::ConnectionString::parse(e.cnstr);
            if (!db::Dialect::isServer(cs))
                protectShopFile(cs.path);
        } catch (...) {
            // A line nobody can read is the list's business, not the permissions'.
        }
    }
}

} // namespace PrivateFiles
