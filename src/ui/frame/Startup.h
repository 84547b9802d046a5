#pragma once

#include <QStringList>

class QApplication;

// Start-up: login (dialogue, or --account/--user with KWPOS_PASSWORD), the session, the
// main window. Returns the program's exit code.
class Startup
{
public:
    static int run(QApplication &app, const QStringList &arguments);
};
