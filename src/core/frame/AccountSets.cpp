#include "core/frame/AccountSets.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "core/frame/KwStore.h"
#include "core/db/ConnectionString.h"
#include "core/demo/DemoData.h"

namespace {

QString stationFile()
{
    return KwStore::configDir() + QStringLiteral("/stations.ini");
}

} // namespace

QList<AccountSets::Entry> AccountSets::list()
{
    QSettings s(stationFile(), QSettings::IniFormat);
    QList<Entry> entries;
    const int n = s.beginReadArray(QStringLiteral("AccountSets"));
    for (int i = 0; i < n; ++i) {
        s.setArrayIndex(i);
        Entry e{s.value(QStringLiteral("name")).toString(), s.value(QStringLiteral("cnstr")).toString()};
        if (!e.name.isEmpty() && !e.cnstr.isEmpty())
            entries.append(e);
    }
    s.endArray();
    return entries;
}

void AccountSets::save(const QList<Entry> &entries)
{
    QDir().mkpath(KwStore::configDir());
    QSettings s(stationFile(), QSettings::IniFormat);
    s.remove(QStringLiteral("AccountSets"));
    s.beginWriteArray(QStringLiteral("AccountSets"), int(entries.size()));
    for (int i = 0; i < entries.size(); ++i) {
        s.setArrayIndex(i);
        s.setValue(QStringLiteral("name"), entries[i].name);
        s.setValue(QStringLiteral("cnstr"), entries[i].cnstr);
    }
    s.endArray();
    s.sync();
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
    entries.append({name, cnstr});
    save(entries);
}

QString AccountSets::cnstrOf(const QString &name)
{
    for (const Entry &e : list())
        if (e.name == name)
            return e.cnstr;
    return QString();
}

QString AccountSets::demoPath()
{
    QString dir = qEnvironmentVariable("KWPOS_DATA_DIR");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
              QStringLiteral("/kwpos");
    return dir + QStringLiteral("/demo.db");
}

void AccountSets::ensureDemo()
{
    if (!list().isEmpty())
        return;
    const QString path = demoPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString cnstr = db::ConnectionString::sqlite(path).toString();
    DemoData::create(cnstr);
    add(DemoName, cnstr);
}
