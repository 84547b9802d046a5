#include "core/frame/AccountSets.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "core/base/StationPaths.h"
#include "core/db/Backup.h"
#include "core/db/ConnectionString.h"
#include "core/db/Dialect.h"
#include "core/base/CoreError.h"
#include "core/frame/KwStore.h"
#include "core/base/PrivateFiles.h"

namespace {

// Every copy made through the database layer is noted here, whoever asked for it (the
// screens, the command line, the daily copy, the copy before an upgrade).
[[maybe_unused]] const bool kNotesCopies = (db::Backup::setOnMade(&AccountSets::noteBackup), true);

} // namespace

QString AccountSets::settingsFile()
{
    return KwStore::configDir() + QStringLiteral("/stations.ini");
}

QList<AccountSets::Entry> AccountSets::list()
{
    QSettings s(settingsFile(), QSettings::IniFormat);
    QList<Entry> entries;
    const int n = s.beginReadArray(QStringLiteral("AccountSets"));
    for (int i = 0; i < n; ++i) {
        s.setArrayIndex(i);
        Entry e{s.value(QStringLiteral("name")).toString(), s.value(QStringLiteral("cnstr")).toString(),
                QDateTime::fromString(s.value(QStringLiteral("lastBackup")).toString(), Qt::ISODate)};
        if (!e.name.isEmpty() && !e.cnstr.isEmpty())
            entries.append(e);
    }
    s.endArray();
    return entries;
}

void AccountSets::save(const QList<Entry> &entries)
{
    const QString path = settingsFile();
    PrivateFiles::makeDir(KwStore::configDir());
    PrivateFiles::createFile(path);
    {
        QSettings s(path, QSettings::IniFormat);
        s.remove(QStringLiteral("AccountSets"));
        s.beginWriteArray(QStringLiteral("AccountSets"), int(entries.size()));
        for (int i = 0; i < entries.size(); ++i) {
            s.setArrayIndex(i);
            s.setValue(QStringLiteral("name"), entries[i].name);
            s.setValue(QStringLiteral("cnstr"), entries[i].cnstr);
            if (entries[i].lastBackup.isValid())
                s.setValue(QStringLiteral("lastBackup"),
                           entries[i].lastBackup.toString(Qt::ISODate));
        }
        s.endArray();
        s.sync();
        if (s.status() != QSettings::NoError)
            throw CoreError(QStringLiteral("帐套列表未保存：无法写入“%1”。")
                                  .arg(QDir::toNativeSeparators(path)));
    }
    // QSettings writes a new file beside the old one and renames it.
    PrivateFiles::protect(path);
}

void AccountSets::add(const QString &name, const QString &cnstr)
{
    QList<Entry> entries = list();
    for (Entry &e : entries) {
        if (e.name == name) {
            e.cnstr = cnstr;
            save(entries);
            return;
        }
    }
    entries.append({name, cnstr, {}});
    save(entries);
}

void AccountSets::remove(const QString &name)
{
    QList<Entry> entries = list();
    const auto n = entries.removeIf([&](const Entry &e) { return e.name == name; });
    if (n == 0)
        throw CoreError(QStringLiteral("帐套“%1”不存在").arg(name));
    save(entries);
}

QString AccountSets::cnstrOf(const QString &name)
{
    for (const Entry &e : list())
        if (e.name == name)
            return e.cnstr;
    return QString();
}

void AccountSets::noteBackup(const QString &cnstr, const QDateTime &when)
{
    QList<Entry> entries = list();
    bool any = false;
    for (Entry &e : entries)
        if (e.cnstr == cnstr) {
            e.lastBackup = when;
            any = true;
        }
    if (any)
        save(entries);
}

QString AccountSets::dataDir()
{
    return StationPaths::dataDir();
}

void AccountSets::tightenAtStart()
{
    PrivateFiles::protectFolder(KwStore::configDir(), {QStringLiteral("*.ini")});
    const QString data = dataDir();
    PrivateFiles::protectFolder(data, {QStringLiteral("*.db"), QStringLiteral("*-wal"),
                                       QStringLiteral("*-shm"), QStringLiteral("*.dump")});
    PrivateFiles::protectFolder(data + QStringLiteral("/backups"), {QStringLiteral("*")});
    for (const Entry &e : list()) {
        try {
            const db::ConnectionString cs = db::ConnectionString::parse(e.cnstr);
            if (!db::Dialect::isServer(cs))
                PrivateFiles::protectShopFile(cs.path);
        } catch (...) {
            // A line nobody can read is the list's business, not the permissions'.
        }
    }
}
