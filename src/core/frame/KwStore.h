#pragma once

#include <QString>

// The station's settings store: application, section and key, each matched without regard
// to case ("KwStore"/"Kwstore", "DefaultValue"/"Defaultvalue" are one). Values are text.
// Kept as one INI file per application under the user's configuration folder, or under
// $KWPOS_CONFIG_DIR when that is set.
class KwStore
{
public:
    static QString get(const QString &application, const QString &section, const QString &key,
                       const QString &defaultValue = QString());
    // Writes through to the file; throws CoreError naming the file when it cannot be written.
    static void set(const QString &application, const QString &section, const QString &key,
                    const QString &value);

    static QString configDir();
    static QString filePath(const QString &application);
};
