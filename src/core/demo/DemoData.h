#pragma once

#include <QString>

// The embedded demo account set: items, price styles, warehouses, operators, templates,
// members with orders and stored value, and a few past sales, dated around today so that
// every screen shows something real.
class DemoData
{
public:
    static void create(const QString &cnstr);
    // Lists the demo account set (creating its database in the data folder) when the station
    // lists none.
    static void ensureListed();

    // What the screenshot tour opens: the first order sales have handed goods out from, and
    // the first order line a sale handed goods out against (ids 0 when there is none).
    struct HandedOutLine
    {
        int orderId = 0;
        int entryId = 0;
        int units = 0; // ordered and given
        QString vipNo;
    };
    static int firstHandedOutOrder(const QString &cnstr);
    static HandedOutLine firstHandedOutLine(const QString &cnstr);

    static inline const QString ManagerName = QStringLiteral("店长");
    static inline const QString ManagerPassword = QStringLiteral("8888");
    static inline const QString CashierName = QStringLiteral("收银员");
    static inline const QString CashierPassword = QStringLiteral("1234");
};
