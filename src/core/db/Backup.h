#pragma once

#include <functional>

#include <QDateTime>
#include <QList>
#include <QString>

namespace db {

// Copies of a shop and their way back. A SQLite shop is copied with VACUUM INTO (a consistent
// snapshot while other connections write) into a "backups" folder beside its file: under a
// temporary name, synced, then renamed, so a failed copy (a full disk) never leaves a broken
// file and never touches the earlier ones. A PostgreSQL shop is dumped with pg_dump -Fc and
// restored with pg_restore into an empty database.
class Backup
{
public:
    enum class Kind { Daily, Manual, BeforeUpgrade, BeforeRestore };
    struct File
    {
        QString path;
        QDateTime when;
        qint64 size = 0;
        int version = -1; // schema version; -1 when the file cannot be read
    };
    // Told each line of progress of a long copy (pg_dump's and pg_restore's own words).
    using Progress = std::function<void(const QString &)>;

    static constexpr int DailyKept = 14;

    // The folder this shop's copies go to by default.
    static QString folderFor(const QString &cnstr);
    // Makes a copy; target empty: a new name in folderFor(). Returns the file written.
    static QString make(const QString &cnstr, Kind kind, const QString &target = QString(),
                        const Progress &progress = {});
    // The first login of a day on a SQLite shop: a copy unless one of today exists, and only
    // the last DailyKept daily copies kept. Returns the file written, empty when none was due.
    static QString daily(const QString &cnstr);
    // Before an upgrade of the schema from `from`; a failure stops the upgrade.
    static void beforeUpgrade(const QString &cnstr, int from);
    // The SQLite copies in folderFor(), newest first.
    static QList<File> list(const QString &cnstr);
    // A SQLite file offered for restore: intact (quick_check), a shop of ours, of a version
    // this program opens. Returns its version; throws DbError saying what is wrong.
    static int check(const QString &file);
    // Puts a copy back. SQLite: the file is checked, the current one kept as a "before restore"
    // copy, its stale -wal/-shm removed, the copy put in its place. PostgreSQL: refused unless
    // the database is empty, then pg_restore. Every pooled connection of this thread is closed.
    static void restore(const QString &cnstr, const QString &file, const Progress &progress = {});

    // Environment for PostgreSQL's tools: the same password file as the program.
    static QStringList toolEnvironment();

    // Told of every copy make() writes (the station's list of account sets keeps the date of
    // each one's last copy); set once by that list.
    using Made = std::function<void(const QString &cnstr, const QDateTime &when)>;
    static void setOnMade(Made made);
};

} // namespace db
