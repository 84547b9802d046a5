#include "core/frame/AccountSets.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "core/db/ConnectionString.h"
#include "core/frame/CoreError.h"
#include "core/db/Schema.h"
#include "core/demo/DemoData.h"
#include "core/frame/KwStore.h"
#include "core/frame/PrivateFiles.h"

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
    QString dir = qEnvironmentVariable("KWPOS_DATA_DIR");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
              QStringLiteral("/kwpos");
    return dir;
}

QString AccountSets::demoPath()
{
    return dataDir() + QStringLiteral("/demo.db");
}

void AccountSets::ensureDemo()
{
    if (!list().isEmpty())
        return;
    const QString path = demoPath();
    PrivateFiles::makeDir(QFileInfo(path).absolutePath());
    const QString cnstr = db::ConnectionString::sqlite(path).toString();
    // Taken off the list earlier, the demo shop is listed again as it was, not filled twice.
    if (!QFileInfo::exists(path) || db::Schema::version(cnstr) == 0)
        DemoData::create(cnstr);
    add(DemoName, cnstr);
}
