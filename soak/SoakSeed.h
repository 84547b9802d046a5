#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "core/base/Money.h"

// The account set every soak run starts from: a few items with bar codes and pack codes, a
// warehouse, one operator per station, and few enough members and order lines that the
// stations meet on the same balances and the same open units all the time.
class SoakSeed
{
public:
    struct Member
    {
        QString card; // the card it starts with; replacements give it others
        QString owner;
        QString phone; // never changed, so a station finds the member's card by it
        QString vipId;
    };
    struct Item
    {
        int id;
        QString name;
        QString shopNumber;
        QString barCode;
        Money price;
    };

    static constexpr int MaxStations = 16;
    static constexpr int ManagerId = 1;
    static QString stockName() { return QStringLiteral("店面"); }
    static QString retailStyleName() { return QStringLiteral("零售价"); }

    static QList<Member> members();
    static QList<Item> items();
    // Everything a station scans: shop numbers, bar codes, pack codes, and one code that is
    // nobody's, as a mistyped one would be.
    static QStringList scanCodes();

    // The operator a station saves as: a manager, so it may edit any order.
    static int billerOf(int station) { return 100 + station; }

    // Creates the schema and the account set on an empty database, through the stores where
    // one writes the rows (recharges, orders).
    static void create(const QString &cnstr, quint64 seed);
};
