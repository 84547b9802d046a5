#include "core/members/RechargeBill.h"

#include "core/db/Database.h"
#include "core/db/Transaction.h"
#include "core/base/CoreError.h"
#include "core/base/NumberText.h"
#include "core/frame/TextLimits.h"
#include "core/members/CardNumbers.h"
#include "core/print/ReceiptFields.h"

namespace {

const QString kCard = QStringLiteral("txtVipNo");
const QString kVipId = QStringLiteral("txtVipID");
const QString kAmount = QStringLiteral("txtCzAmount");
const QString kGift = QStringLiteral("txtZsAmount");

} // namespace

Money RechargeBill::balanceAfter(Money before, Money amount, Money gift, bool refund)
{
    return refund ? before - amount : before + amount + gift;
}

void RechargeBill::check(const RechargeInput &bill)
{
    if (bill.vipNo.trimmed().isEmpty())
        throw CoreError::refusal(QStringLiteral("请输入会员卡号！"), kCard);
    if (bill.vipId.trimmed().isEmpty())
        throw CoreError::refusal(QStringLiteral("请输入身份证号！"), kVipId);
    // Nothing at or below 0: a negative recharge would be a refund that skips the balance.
    if (bill.amount <= Money())
        throw CoreError::warning(QStringLiteral("请输入充值金额！"), kAmount);
    if (!bill.refund && bill.gift.isNegative())
        throw CoreError::warning(QStringLiteral("请输入充值金额！"), kGift);
    // Stored value is kept in cents: a tail past them would be booked but never shown.
    if (!bill.amount.isWholeCents())
        throw CoreError::refusal(Money::subCentRefusal(), kAmount);
    if (!bill.refund && !bill.gift.isWholeCents())
        throw CoreError::refusal(Money::subCentRefusal(), kGift);
    TextLimits::check({{bill.vipNo, "VipCzBill.FVipNo", "txtVipNo"},
                       {bill.owner, "VipCzBill.FOwner", "txtOwner"},
                       {bill.phone, "VipCzBill.FPhone", "txtPhone"},
                       {bill.vipId, "VipCzBill.FVipID", "txtVipID"},
                       {bill.remark, "VipCzBill.FRemark", "txtRemark"}});
}

void RechargeBill::checkRefund(const RechargeInput &bill, Money balance)
{
    if (bill.refund && bill.amount > balance)
        throw refundRefusal();
}

CoreError RechargeBill::refundRefusal()
{
    return CoreError::refusal(QStringLiteral("退款金额不允许大于卡内余额！"), kAmount);
}

QString RechargeBill::confirmQuestion(const RechargeInput &bill)
{
    if (bill.refund)
        return QStringLiteral("是否退款") + plain(bill.amount) + QStringLiteral("到卡号") +
               bill.vipNo + QStringLiteral("？");
    return QStringLiteral("是否在卡号“") + bill.vipNo + QStringLiteral("”上充值") +
           (bill.amount + bill.gift).format() + QStringLiteral("元 ？");
}

QString RechargeBill::printQuestion(bool refund)
{
    return refund ? QStringLiteral("退款成功，是否打印单据？")
                  : QStringLiteral("充值成功，是否打印充值单？");
}

PostedMovement RechargeBill::save(const QString &cnstr, const RechargeInput &typed)
{
    RechargeInput bill = typed;
    bill.vipNo = CardNumbers::clean(bill.vipNo);
    check(bill);
    return db::retryOnConflict([&] { return write(cnstr, bill); });
}

PostedMovement RechargeBill::write(const QString &cnstr, const RechargeInput &bill)
{
    db::Transaction tx(cnstr);
    StoredValueMovement m;
    m.vipNo = bill.vipNo;
    m.vipId = bill.vipId;
    m.owner = bill.owner;
    m.phone = bill.phone;
    m.type = StoredValueMovement::Recharge;
    m.date = bill.date;
    m.billerId = bill.billerId;
    m.amount = bill.refund ? -bill.amount : bill.amount;
    m.gift = bill.refund ? Money() : bill.gift;
    m.remark = bill.remark;
    // The balance the screen showed is only a proposal: another station may have paid from
    // the card since. The refund is checked on the balance read under the card's lock, where
    // a number replaced meanwhile is refused too.
    // Lock, check and movement go to the server together, and the commit after them: two
    // round trips on PostgreSQL.
    const CardNumbers::LiveCheck live = CardNumbers::queueLockLive(tx, m.vipNo);
    const auto queued = StoredValueLedger::queue(
        tx, m, bill.refund ? std::optional<Money>(bill.amount) : std::nullopt, refundRefusal());
    tx.flush();
    CardNumbers::requireLive(tx, live);
    const PostedMovement posted = StoredValueLedger::posted(queued);
    tx.commit();
    return posted;
}

std::optional<RechargeRecord> RechargeBill::load(const QString &cnstr, int id)
{
    const db::Rows rows =
        db::query(cnstr, QStringLiteral("select * from vwCZBill where FInterID=?"), {id});
    if (rows.isEmpty())
        return std::nullopt;
    const db::Row &r = rows.first();
    RechargeRecord b;
    b.id = r.integer(QStringLiteral("FInterID"));
    b.date = r.date(QStringLiteral("FDate"));
    b.vipNo = r.text(QStringLiteral("FVipNo"));
    b.owner = r.text(QStringLiteral("FOwner"));
    b.phone = r.text(QStringLiteral("FPhone"));
    b.vipId = r.text(QStringLiteral("FVipID"));
    b.begAmount = r.money(QStringLiteral("FBegAmount"));
    b.czAmount = r.money(QStringLiteral("FCzAmount"));
    b.zsAmount = r.money(QStringLiteral("FZsAmount"));
    b.endAmount = r.money(QStringLiteral("FEndAmount"));
    b.remark = r.text(QStringLiteral("FRemark"));
    return b;
}

RecordSet RechargeBill::printData(const QString &vipNo, const QDate &date, const QString &owner,
                                  Money begBal, Money amount, Money gift, Money endBal,
                                  const QString &biller, const QDateTime &printTime)
{
    RecordSet rs = ReceiptFields::recharge();
    rs.addNew();
    rs.setValue(QStringLiteral("FVipNo"), vipNo);
    rs.setValue(QStringLiteral("FDate"), date);
    rs.setValue(QStringLiteral("FOwner"), owner);
    rs.setValue(QStringLiteral("FBegBal"), begBal.toDouble());
    rs.setValue(QStringLiteral("FCzAmount"), amount.toDouble());
    rs.setValue(QStringLiteral("FZsAmount"), gift.toDouble());
    rs.setValue(QStringLiteral("FEndBal"), endBal.toDouble());
    rs.setValue(QStringLiteral("FBiller"), biller);
    rs.setValue(QStringLiteral("FPrintTime"), printTime);
    rs.moveFirst();
    return rs;
}

QString RechargeBill::printFormatKey(bool refund)
{
    return QStringLiteral("frmVipCz.printfmt.") + (refund ? QLatin1Char('1') : QLatin1Char('0'));
}

QString RechargeBill::plain(Money m)
{
    return NumberText::plain(m.toDouble());
}
