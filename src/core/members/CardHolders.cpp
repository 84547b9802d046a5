#include "core/members/CardHolders.h"

#include <QStringList>

#include "core/db/Database.h"
#include "core/members/CardNumbers.h"

std::optional<CardHolder> CardHolders::find(const QString &cnstr, const QString &typed,
                                            Search search)
{
    // Walk-in documents carry an empty card and phone; an empty text must match neither.
    const QString text = CardNumbers::clean(typed);
    if (text.isEmpty())
        return std::nullopt;
    const bool byPhone = search == Search::NumberOrPhone;
    QStringList tables{QStringLiteral("VipOrder")};
    if (search != Search::OrdersOnly)
        tables << QStringLiteral("VipCzBill");
    for (const QString &table : tables) {
        // The first document by id: the same answer on every engine.
        const db::Rows rows = db::query(
            cnstr,
            QStringLiteral("select FVipNo, FOwner, FPhone, FVipID from %1 where FVipNo=?%2"
                           " order by FInterID limit 1")
                .arg(table, byPhone ? QStringLiteral(" or FPhone=?") : QString()),
            byPhone ? db::Params{text, text} : db::Params{text});
        if (!rows.isEmpty()) {
            const db::Row &r = rows.first();
            return CardHolder{r.text(QStringLiteral("FVipNo")), r.text(QStringLiteral("FOwner")),
                              r.text(QStringLiteral("FPhone")), r.text(QStringLiteral("FVipID"))};
        }
    }
    // A replacement moves every row of the old number: only a number found nowhere can be one.
    CardNumbers::checkLive(cnstr, text);
    return std::nullopt;
}
