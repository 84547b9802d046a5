#include "core/members/MemberDetails.h"

#include <utility>

#include "core/db/Database.h"
#include "core/db/Transaction.h"
#include "core/frame/CoreError.h"

std::optional<MemberDetails::Details> MemberDetails::find(const QString &cnstr,
                                                          const QString &vipNo)
{
    if (vipNo.trimmed().isEmpty())
        return std::nullopt;
    const db::Rows rows =
        db::query(cnstr,
                  QStringLiteral("select FOwner, FPhone, FVipID from VipOrder where FVipNo=? and"
                                 " FInterID=(select min(FInterID) from VipOrder where FVipNo=?)"),
                  {vipNo, vipNo});
    if (rows.isEmpty())
        return std::nullopt;
    const db::Row &r = rows.first();
    return Details{vipNo, r.text(QStringLiteral("FOwner")), r.text(QStringLiteral("FPhone")),
                   r.text(QStringLiteral("FVipID"))};
}

void MemberDetails::check(const Details &d)
{
    if (d.vipNo.trimmed().isEmpty())
        throw CoreError::refusal(QStringLiteral("请输入会员卡号！"), QStringLiteral("txtVipNo"));
    if (d.owner.trimmed().isEmpty())
        throw CoreError::refusal(QStringLiteral("请输入持卡人！"), QStringLiteral("txtOwner"));
    if (d.vipId.trimmed().isEmpty())
        throw CoreError::refusal(QStringLiteral("请输入身份证号！"), QStringLiteral("txtCardID"));
    // The columns hold 255 characters on PostgreSQL; SQLite would take more, and the two
    // engines must refuse the same texts, in words a cashier reads.
    const std::pair<const QString &, const char *> fields[] = {
        {d.vipNo, "txtVipNo"}, {d.owner, "txtOwner"}, {d.phone, "txtPhone"}, {d.vipId, "txtCardID"}};
    for (const auto &[text, field] : fields)
        if (text.toUcs4().size() > MaxLength)
            throw CoreError::refusal(QStringLiteral("输入的内容太长（最多%1个字）！").arg(MaxLength),
                                     QString::fromLatin1(field));
}

int MemberDetails::update(const QString &cnstr, const Details &d)
{
    check(d);
    db::Transaction tx(cnstr);
    // The card's headers in number order first, as a sale and a card replacement take them:
    // one update locks them in whatever order the rows come, and beside a sale holding one
    // header while it waits for another, PostgreSQL would end one of the two with its deadlock
    // message. SQLite's BEGIN IMMEDIATE already is the one lock.
    if (tx.engine() == db::Engine::PostgreSQL)
        tx.query(QStringLiteral("select FInterID from VipOrder where FVipNo=? order by FInterID for update"),
                 {d.vipNo});
    const int changed = tx.execute(
        QStringLiteral("update VipOrder set FOwner=?, FPhone=?, FVipID=? where FVipNo=?"),
        {d.owner, d.phone, d.vipId, d.vipNo});
    tx.commit();
    return changed;
}

QString MemberDetails::nothingChangedMessage()
{
    return QStringLiteral("该卡号没有订单，会员信息未修改！");
}
