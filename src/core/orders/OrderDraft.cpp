#include "core/orders/OrderDraft.h"

#include <cmath>

#include "core/db/Database.h"
#include "core/base/CoreError.h"
#include "core/base/NumberText.h"
#include "core/members/CardHolders.h"
#include "core/members/CardNumbers.h"
#include "core/members/StoredValueLedger.h"

namespace {

const QString kDateText = QStringLiteral("yyyy-MM-dd");

QString validityRefusal()
{
    return QStringLiteral("有效期必须大于今日！");
}

} // namespace

QString OrderDraftLine::validText() const
{
    return validTo.isValid() ? validTo.toString(kDateText) : QString();
}

int OrderDraft::validityDays(const QString &giftText)
{
    switch (quantity(giftText)) {
    case 5:
        return 30;
    case 10:
        return 60;
    case 15:
        return 90;
    default:
        return 0;
    }
}

QDate OrderDraft::proposedValidity(const QDate &today, const QString &giftText)
{
    return today.addDays(validityDays(giftText));
}

Money OrderDraft::entryAmount(const QString &qtyText, const QString &priceText)
{
    return Money::lineAmount(Money::parse(priceText), NumberText::val(qtyText));
}

qint64 OrderDraft::quantity(const QString &text)
{
    const double v = NumberText::val(text);
    // Anything past a quantity a shop could hand out is a scanned code in the wrong box.
    if (!std::isfinite(v) || std::fabs(v) > 1e9)
        return 0;
    return NumberText::roundHalfEven(v);
}

const OrderDraftLine &OrderDraft::add(int itemId, const QString &name, const QString &priceText,
                                      const QString &qtyText, const QString &giftText,
                                      const QString &amountText, const QDate &validTo)
{
    if (itemId == 0)
        throw CoreError::refusal(QStringLiteral("商品名称不存在！"), QStringLiteral("cmbItem"));
    // Quantities are whole units: "2.5" would be stored as 2 while the amount was reckoned
    // on 2.5.
    const auto whole = [](const QString &text) {
        const double v = NumberText::val(text);
        return v == std::floor(v);
    };
    OrderDraftLine l;
    l.qty = quantity(qtyText);
    if (l.qty <= 0 || !whole(qtyText))
        throw CoreError::refusal(QStringLiteral("请输入数量！"), QStringLiteral("txtQty"));
    l.gift = quantity(giftText);
    if (l.gift < 0 || !whole(giftText))
        throw CoreError::refusal(QStringLiteral("请输入数量！"), QStringLiteral("txtPreQty"));
    l.amount = Money::parseTyped(amountText);
    if (l.amount.isZero())
        throw CoreError::refusal(QStringLiteral("请输入金额！"), QStringLiteral("txtAmount"));
    // What the member pays is in cents; the price may stay a unit value such as 50 / 12.
    if (!l.amount.isWholeCents())
        throw CoreError::refusal(Money::subCentRefusal(), QStringLiteral("txtAmount"));
    l.number = int(m_lines.size()) + 1;
    l.itemId = itemId;
    l.name = name;
    l.priceText = priceText;
    l.qtyText = qtyText;
    l.giftText = giftText;
    l.amountText = amountText;
    l.price = Money::parse(priceText);
    l.validTo = validTo;
    m_lines.append(l);
    return m_lines.last();
}

void OrderDraft::remove(int index)
{
    if (index >= 0 && index < m_lines.size())
        m_lines.removeAt(index);
}

void OrderDraft::setValidity(int index, const QDate &date)
{
    if (index >= 0 && index < m_lines.size())
        m_lines[index].validTo = date;
}

void OrderDraft::clear()
{
    *this = OrderDraft();
}

qint64 OrderDraft::sumQty() const
{
    qint64 q = 0;
    for (const OrderDraftLine &l : m_lines)
        q += l.qty + l.gift;
    return q;
}

Money OrderDraft::sumAmount() const
{
    Money m;
    for (const OrderDraftLine &l : m_lines)
        m += l.amount;
    return m;
}

Money OrderDraft::shownTotal(const QString &entryAmountText) const
{
    return sumAmount() + Money::parse(entryAmountText);
}

bool OrderDraft::isTaken() const
{
    for (const OrderDraftLine &l : m_lines)
        if (l.done > 0)
            return true;
    return false;
}

bool OrderDraft::hasMissingItem() const
{
    for (const OrderDraftLine &l : m_lines)
        if (l.itemMissing)
            return true;
    return false;
}

bool OrderDraft::isLocked(bool mayEditOrders) const
{
    return id != 0 && (!mayEditOrders || isTaken() || hasMissingItem());
}

void OrderDraft::checkForSave(bool entryHasValidity, const QDate &entryValidity) const
{
    if (vipNo.trimmed().isEmpty())
        throw CoreError::refusal(QStringLiteral("请输入会员卡号！"), QStringLiteral("txtVipNo"));
    if (vipId.trimmed().isEmpty())
        throw CoreError::refusal(QStringLiteral("请输入身份证号！"), QStringLiteral("txtVipID"));
    if (m_lines.isEmpty())
        throw CoreError::refusal(QStringLiteral("请输入订单商品！"));
    if (entryHasValidity && entryValidity <= date)
        throw CoreError::refusal(validityRefusal(), QStringLiteral("dtpYxq"));
    for (const OrderDraftLine &l : m_lines)
        if (l.validTo.isValid() && l.validTo <= date)
            throw CoreError::refusal(validityRefusal(), QStringLiteral("FlexOrder"));
}

QString OrderDraft::stampHeaderSql()
{
    // Content only: the creation time and the operator change with every re-save, also an
    // unchanged one, and the identity number with every save of the card's other orders.
    return QStringLiteral("select FVipNo, FOwner, FPhone, Fdate, FSumQty, FSumAmount, FGetCash,"
                          " FGetReserve, FGetOther, FClosed from VipOrder where FInterID=?");
}

QString OrderDraft::stampLinesSql()
{
    return QStringLiteral("select FEntryID, FItemID, FQty, FPreQty, FCplQty, FPrice, FAmount, FYxq"
                          " from VipOrderEntry where FInterID=? order by FEntryID");
}

QString OrderDraft::stampOf(const db::Rows &header, const db::Rows &lines)
{
    QStringList parts;
    for (const db::Rows *rows : {&header, &lines})
        for (const db::Row &r : *rows) {
            QStringList values;
            for (int i = 0; i < r.count(); ++i)
                values << (r.at(i).isNull() ? QStringLiteral("<null>") : r.at(i).toString());
            parts << values.join(u'|');
        }
    return parts.join(u'\n');
}

OrderDraft OrderDraft::load(const QString &cnstr, int id)
{
    OrderDraft d;
    // The stamp before the rows shown: a change made between the two reads makes the stamp
    // older than the screen, so a re-save is refused rather than overwriting it.
    const QString stamp =
        stampOf(db::query(cnstr, stampHeaderSql(), {id}), db::query(cnstr, stampLinesSql(), {id}));
    const db::Rows head =
        db::query(cnstr, QStringLiteral("select * from VipOrder where FInterID=?"), {id});
    if (head.isEmpty())
        return d;
    const db::Row &h = head.first();
    d.id = id;
    d.vipNo = d.loadedVipNo = h.text(QStringLiteral("FVipNo"));
    d.owner = h.text(QStringLiteral("FOwner"));
    d.phone = h.text(QStringLiteral("FPhone"));
    d.date = h.date(QStringLiteral("Fdate"));
    d.paidCash = h.money(QStringLiteral("FGetCash"));
    d.paidReserve = h.money(QStringLiteral("FGetReserve"));
    d.paidOther = h.money(QStringLiteral("FGetOther"));
    d.loadedStamp = stamp;
    // A left join: a line whose item was deleted elsewhere must still show, or a re-save
    // would drop it for good.
    const db::Rows rows = db::query(
        cnstr,
        QStringLiteral("select t1.FItemID, t1.FQty, t1.FPreQty, t1.FCplQty, t1.FPrice, t1.FAmount,"
                       " t1.FYxq, t2.FName, t2.FItemID as FFoundID from VipOrderEntry t1"
                       " left join t_icitem t2 on t1.FItemID=t2.FItemID where t1.FInterID=?"
                       " order by t1.FEntryID"),
        {id});
    for (const db::Row &r : rows) {
        OrderDraftLine l;
        l.number = int(d.m_lines.size()) + 1;
        l.itemId = r.integer(QStringLiteral("FItemID"));
        l.itemMissing = r.isNull(QStringLiteral("FFoundID"));
        l.name = l.itemMissing ? QStringLiteral("（商品已删除）") : r.text(QStringLiteral("FName"));
        l.qty = qint64(std::llround(r.number(QStringLiteral("FQty"))));
        l.gift = qint64(std::llround(r.number(QStringLiteral("FPreQty"))));
        l.done = qint64(std::llround(r.number(QStringLiteral("FCplQty"))));
        l.price = r.money(QStringLiteral("FPrice"));
        l.amount = r.money(QStringLiteral("FAmount"));
        l.qtyText = QString::number(l.qty);
        l.giftText = QString::number(l.gift);
        l.priceText = l.price.format();
        l.amountText = l.amount.formatGrouped();
        if (!r.isNull(QStringLiteral("FYxq")))
            l.validTo = r.date(QStringLiteral("FYxq"));
        d.m_lines.append(l);
    }
    return d;
}

OrderMember OrderDraft::member(const QString &cnstr, const QString &number)
{
    OrderMember m;
    // An empty card would find the walk-in movements and blank the fields.
    const QString vipNo = CardNumbers::clean(number);
    if (vipNo.isEmpty())
        return m;
    if (const std::optional<CardHolder> h = CardHolders::find(cnstr, vipNo)) {
        m.found = true;
        m.owner = h->owner;
        m.phone = h->phone;
        m.vipId = h->vipId;
    }
    m.balance = StoredValueLedger::balance(cnstr, vipNo);
    return m;
}

NamedItem OrderDraft::itemByName(const QString &cnstr, const QString &name, int retailStyleId)
{
    NamedItem item;
    if (name.isEmpty())
        return item;
    const db::Rows rows = db::query(
        cnstr, QStringLiteral("select * from t_icitem where FName=? and coalesce(FDisabled,0)=0 order by FItemID"), {name});
    if (rows.isEmpty())
        return item;
    const db::Row &r = rows.first();
    item.found = true;
    item.itemId = r.integer(QStringLiteral("FItemID"));
    item.number = r.text(QStringLiteral("FNumber"));
    if (retailStyleId != 0) {
        item.hasPrice = true;
        item.price = r.money(QStringLiteral("FPrice_%1").arg(retailStyleId));
    }
    return item;
}
