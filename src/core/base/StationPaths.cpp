#include "core/base/StationPaths.h"

#include <QDir>
#include <QStandardPaths>

namespace StationPaths {

QString dataDir()
{
    QString dir = qEnvironmentVariable("KWPOS_DATA_DIR");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
              QStringLiteral("/kwpos");
    return dir;
}

QString serverPasswordFile()
{
    const QString set = qEnvironmentVariable("PGPASSFILE");
    if (!set.isEmpty())
        return set;
#ifdef Q_OS_WIN
    return qEnvironmentVariable("APPDATA") + QStringLiteral("/postgresql/pgpass.conf");
#else
    return QDir::homePath() + QStringLiteral("/.pgpass");
#endif
}

} // namespace StationPaths
