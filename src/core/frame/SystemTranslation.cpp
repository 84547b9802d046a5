#include "core/frame/SystemTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

const QString kDefaultLocale = QStringLiteral("zh_CN");

} // namespace

QString SystemTranslation::localeName(const QString &lcAll, const QString &lcMessages,
                                      const QString &lang)
{
    QString chosen;
    for (const QString &v : {lcAll, lcMessages, lang})
        if (!v.trimmed().isEmpty()) {
            chosen = v.trimmed();
            break;
        }
    // "zh_CN.UTF-8@modifier": the code set and the modifier say nothing about the language.
    chosen = chosen.section(u'.', 0, 0).section(u'@', 0, 0);
    if (chosen.isEmpty() || chosen == u"C" || chosen == u"POSIX")
        return kDefaultLocale;
    const QLocale locale(chosen);
    return locale.language() == QLocale::C ? kDefaultLocale : locale.name();
}

QString SystemTranslation::fileName(const QString &localeName)
{
    return QStringLiteral("qtbase_") + localeName;
}

QString SystemTranslation::fileName()
{
    return fileName(localeName(qEnvironmentVariable("LC_ALL"), qEnvironmentVariable("LC_MESSAGES"),
                               qEnvironmentVariable("LANG")));
}

bool SystemTranslation::install(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    // load() falls back from "qtbase_de_AT" to "qtbase_de" by itself.
    if (!translator->load(fileName(), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
