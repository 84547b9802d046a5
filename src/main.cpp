#include <QApplication>

#include "core/frame/CommandLine.h"
#include "ui/frame/Startup.h"

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // Help, the version and the account-set verbs need no display: a script or an installer
    // on a machine without one gets its answer instead of an abort.
    if (CommandLine::needsNoDisplay(arguments)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("kwpos"));
        QCoreApplication::setApplicationVersion(QStringLiteral(KWPOS_VERSION));
        return CommandLine::run(app.arguments());
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kwpos"));
    QApplication::setApplicationVersion(QStringLiteral(KWPOS_VERSION));
    return Startup::run(app, app.arguments());
}
