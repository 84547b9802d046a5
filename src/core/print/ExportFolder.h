#pragma once

#include <QString>

// Where the export dialogue starts: the folder of the station's last export, or the user's
// documents folder the first time (and when that folder has gone since).
class ExportFolder
{
public:
    static QString start();
    // Notes the folder of a file just chosen for export.
    static void remember(const QString &chosenPath);
};
