#pragma once

#include <QList>
#include <QString>

// The account sets (shop databases) this station knows: a name and a connection string
// each, kept in the station's settings. On first start with none listed, the embedded demo
// account set is created in the user's data folder and listed.
class AccountSets
{
public:
    struct Entry
    {
        QString name;
        QString cnstr;
    };

    static QList<Entry> list();
    static void save(const QList<Entry> &entries);
    static void add(const QString &name, const QString &cnstr);
    static QString cnstrOf(const QString &name); // empty when not listed

    static inline const QString DemoName = QStringLiteral("演示帐套");
    static QString demoPath();
    // Lists the demo account set (creating its database) when the station lists none.
    static void ensureDemo();
};
