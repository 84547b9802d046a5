#include "core/pos/VipCardLookup.h"

#include "core/db/Database.h"
#include "core/members/CardNumbers.h"

std::optional<VipCardLookup::Card> VipCardLookup::find(const QString &cnstr,
                                                       const QString &typed)
{
    // Walk-in documents carry an empty phone; an empty text must not match them.
    const QString numberOrPhone = CardNumbers::clean(typed);
    if (numberOrPhone.isEmpty())
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
    if (rows.isEmpty()) {
        // A replacement moves every row of the old number: only a number found nowhere can
        // be one.
        CardNumbers::checkLive(cnstr, numberOrPhone);
        return std::nullopt;
    }
    return Card{rows.first().text(QStringLiteral("FVipNo")), rows.first().text(QStringLiteral("FOwner"))};
}
