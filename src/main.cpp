#include <QApplication>

#include "ui/frame/Startup.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kwpos"));
    QApplication::setApplicationVersion(QStringLiteral(KWPOS_VERSION));
    return Startup::run(app, app.arguments());
}
