#pragma once

#include <QString>
#include <QStringList>

// The shop's reference data as the counter and the reports read it: warehouses, items,
// operators and the retail price style. Reads only; the back office stores keep them.
// Failures throw CoreError.
class ReferenceData
{
public:
    // The warehouses the counter offers: enabled ones, in number order.
    static QStringList warehouseNames(const QString &cnstr);
    // The warehouse of that name; 0 for an unknown or a disabled one.
    static int warehouseId(const QString &cnstr, const QString &name);

    // Enabled items, in number order.
    static QStringList itemNames(const QString &cnstr);

    // Operator names in id order; disabled operators only with All.
    enum class Operators { All, Enabled };
    static QStringList operatorNames(const QString &cnstr, Operators which = Operators::All);
    // Empty for an unknown id.
    static QString operatorName(const QString &cnstr, int userId);

    // The id of the price style "零售价", 0 when the shop has none.
    static int retailPriceStyleId(const QString &cnstr);
};
