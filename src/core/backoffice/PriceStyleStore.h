#pragma once

#include <QList>
#include <QString>

namespace db {
class Transaction;
}

// Price styles (t_pricestyle): each has its price column "FPrice_<id>" on t_icitem. The
// counter reads the style named "零售价", so that one keeps its name and stays.
class PriceStyleStore
{
public:
    struct Style
    {
        int id = 0;
        QString name;
        bool operator==(const Style &) const = default;
    };

    static QString retailName(); // "零售价"

    // In id order.
    static QList<Style> list(const QString &cnstr);
    static QList<Style> list(db::Transaction &tx);

    // A new style and its price column; the name is required and not yet used. Returns the id.
    static int add(const QString &cnstr, const QString &name);
    static int add(db::Transaction &tx, const QString &name);

    // Refused when the style was renamed or removed elsewhere since `asRead`, for the retail
    // style, or for a name another style has.
    static void rename(const QString &cnstr, const Style &asRead, const QString &newName);

    // Refused for the retail style and for a style a pack code is priced in; the style's
    // price column goes with it.
    static void remove(const QString &cnstr, const Style &asRead);
};
