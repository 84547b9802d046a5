#pragma once

#include <QString>

class QCoreApplication;

// Qt's own texts (the buttons of message boxes, the file dialogue) in the station's language.
// The counter is run by Chinese-speaking staff, so a station without a locale set gets Chinese
// rather than Qt's built-in English.
class SystemTranslation
{
public:
    // The locale to translate into, from LC_ALL, LC_MESSAGES and LANG (the first one set wins, as
    // for any program on the system): "zh_CN" for "zh_CN.UTF-8". None set, "C" or "POSIX" (with
    // or without a code set) give "zh_CN".
    static QString localeName(const QString &lcAll, const QString &lcMessages, const QString &lang);
    // The translation file's base name for a locale: "qtbase_zh_CN".
    static QString fileName(const QString &localeName);
    // The same, read from the process environment.
    static QString fileName();

    // Loads the environment's translation from Qt's translations folder and installs it on the
    // application. False when there is none (Qt's English stays): the program still works.
    static bool install(QCoreApplication &app);
};
