#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// The account sets (shop databases) this station knows: a name and a connection string
// each, kept in the station's settings. On first start with none listed, the embedded demo
// account set is created in the user's data folder and listed (DemoData::ensureListed). A
// server password is never kept here (see ServerPasswords).
class AccountSets
{
public:
    struct Entry
    {
        QString name;
        QString cnstr;
        QDateTime lastBackup; // invalid when this station never made one
    };

    static QList<Entry> list();
    static void save(const QList<Entry> &entries);
    static void add(const QString &name, const QString &cnstr);
    // Takes the line off this station's list; the database itself is left alone.
    static void remove(const QString &name);
    static QString cnstrOf(const QString &name); // empty when not listed
    // Notes a backup of every listed account set on this connection string.
    static void noteBackup(const QString &cnstr, const QDateTime &when);

    // The user's data folder (demo shop, new shops' default, server backups).
    static QString dataDir();
    static QString settingsFile();

    static inline const QString DemoName = QStringLiteral("演示帐套");

    // At start: the settings folder and its files, the data folder and the shops' files and
    // backups made owner-only, as earlier versions may have left them readable by everyone.
    static void tightenAtStart();
};
