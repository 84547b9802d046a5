#pragma once

#include <QString>
#include <QStringList>

// A shop's data and a station's settings (which may name a server) are for the station's own
// account only: folders 0700, files 0600. Each call does its best and says whether it worked;
// on a system without Unix permissions it changes nothing.
namespace PrivateFiles {

// Creates the folder (and missing parents) when needed and makes it owner-only. A folder
// that exists is tightened only when it is one of ours (tightenExisting): a folder the
// operator chose for a shop (/tmp, the home folder) keeps its own mode.
bool makeDir(const QString &path, bool tightenExisting = true);
// Creates an empty owner-only file when none exists, so the program that fills it next
// (SQLite, QSettings) never makes it readable by others first.
bool createFile(const QString &path);
// Makes an existing file owner-only.
void protect(const QString &path);
// A SQLite file with its journals (-wal, -shm) and its backups folder.
void protectShopFile(const QString &path);
// An existing folder and its files matching the patterns.
void protectFolder(const QString &dir, const QStringList &patterns);

} // namespace PrivateFiles
