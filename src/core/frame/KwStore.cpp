#include "core/frame/KwStore.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include "core/base/CoreError.h"
#include "core/base/PrivateFiles.h"

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
    PrivateFiles::makeDir(configDir());
    const QString path = filePath(application);
    PrivateFiles::createFile(path);
    {
        QSettings s(path, QSettings::IniFormat);
        s.setValue(settingsKey(section, key), value);
        s.sync();
        // QSettings keeps a failed write to itself; a lost port or drawer setting must not go
        // unnoticed.
        if (s.status() != QSettings::NoError)
            throw CoreError(QStringLiteral("设置未保存：无法写入设置文件“%1”。")
                                  .arg(QDir::toNativeSeparators(path)));
    }
    // QSettings writes a new file beside the old one and renames it.
    PrivateFiles::protect(path);
}
