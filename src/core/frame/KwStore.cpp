#include "core/frame/KwStore.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace {

QString settingsKey(const QString &section, const QString &key)
{
    // INI groups treat '/' as nesting; keep section and key as one level each.
    return section.toLower().replace(u'/', u'_') + u'/' + key.toLower().replace(u'/', u'_');
}

} // namespace

QString KwStore::configDir()
{
    const QString overridden = qEnvironmentVariable("KWPOS_CONFIG_DIR");
    if (!overridden.isEmpty())
        return overridden;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/kwpos");
}

QString KwStore::filePath(const QString &application)
{
    QString name = application.toLower();
    name.replace(u'/', u'_').replace(u'\\', u'_');
    return configDir() + u'/' + name + QStringLiteral(".ini");
}

QString KwStore::get(const QString &application, const QString &section, const QString &key,
                     const QString &defaultValue)
{
    QSettings s(filePath(application), QSettings::IniFormat);
    return s.value(settingsKey(section, key), defaultValue).toString();
}

void KwStore::set(const QString &application, const QString &section, const QString &key,
                  const QString &value)
{
    QDir().mkpath(configDir());
    QSettings s(filePath(application), QSettings::IniFormat);
    s.setValue(settingsKey(section, key), value);
    s.sync();
}
