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

    static inline const QString ManagerName = QStringLiteral("店长");
    static inline const QString ManagerPassword = QStringLiteral("8888");
    static inline const QString CashierName = QStringLiteral("收银员");
    static inline const QString CashierPassword = QStringLiteral("1234");
};
