#include "core/members/MemberDetails.h"

#include "core/db/Database.h"
#include "core/db/Transaction.h"
#include "core/base/CoreError.h"
#include "core/frame/TextLimits.h"
#include "core/members/CardNumbers.h"

void MemberDetails::check(const Details &d)
{
    if (d.vipNo.trimmed().isEmpty())
        throw CoreError::refusal(QStringLiteral("请输入会员卡号！"), QStringLiteral("txtVipNo"));
    if (d.owner.trimmed().isEmpty())
        throw CoreError::refusal(QStringLiteral("请输入持卡人！"), QStringLiteral("txtOwner"));
    if (d.vipId.trimmed().isEmpty())
        throw CoreError::refusal(QStringLiteral("请输入身份证号！"), QStringLiteral("txtCardID"));
    TextLimits::check({{d.vipNo, "VipOrder.FVipNo", "txtVipNo"},
                       {d.owner, "VipOrder.FOwner", "txtOwner"},
                       {d.phone, "VipOrder.FPhone", "txtPhone"},
                       {d.vipId, "VipOrder.FVipID", "txtCardID"}});
}

int MemberDetails::update(const QString &cnstr, const Details &typed)
{
    Details d = typed;
    d.vipNo = CardNumbers::clean(d.vipNo);
    check(d);
    return db::retryOnConflict([&] {
        db::Transaction tx(cnstr);
        // The card's lock first, a replaced number refused inside it; then the card's headers
        // in number order, as a sale and a card replacement take them: one update locks them
        // in whatever order the rows come. SQLite's BEGIN IMMEDIATE already is the one lock.
        CardNumbers::lockLive(tx, d.vipNo);
        CardNumbers::lockOrders(tx, d.vipNo);
        const int changed = tx.execute(
            QStringLiteral("update VipOrder set FOwner=?, FPhone=?, FVipID=? where FVipNo=?"),
            {d.owner, d.phone, d.vipId, d.vipNo});
        tx.commit();
        return changed;
    });
}

QString MemberDetails::nothingChangedMessage()
{
    return QStringLiteral("该卡号没有订单，会员信息未修改！");
}
