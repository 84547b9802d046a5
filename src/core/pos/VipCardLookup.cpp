#include "core/pos/VipCardLookup.h"

#include "core/db/Database.h"

std::optional<VipCardLookup::Card> VipCardLookup::find(const QString &cnstr,
                                                       const QString &numberOrPhone)
{
    // Walk-in documents carry an empty phone; an empty text must not match them.
    if (numberOrPhone.trimmed().isEmpty())
        return std::nullopt;
    db::Rows rows = db::query(cnstr,
                              QStringLiteral("select FVipNo,FOwner from VipOrder "
                                             "where FVipNo=? or FPhone=? order by FInterID"),
                              {numberOrPhone, numberOrPhone});
    if (rows.isEmpty())
        rows = db::query(cnstr,
                         QStringLiteral("select FVipNo,FOwner from VipCzBill "
                                        "where FVipNo=? or FPhone=? order by FInterID"),
                         {numberOrPhone, numberOrPhone});
    if (rows.isEmpty())
        return std::nullopt;
    return Card{rows.first().text(QStringLiteral("FVipNo")), rows.first().text(QStringLiteral("FOwner"))};
}
