#include "core/backoffice/MemberRegister.h"

#include "core/db/Database.h"
#include "core/members/StoredValueLedger.h"

namespace {

// Per card: its details from the orders, else the movements, else the sale bills; then the
// sums. Each subquery reads one card through the card-number indexes.
const QString kSelect = QStringLiteral(
    "select k.FVipNo,"
    " coalesce((select max(o.FOwner) from VipOrder o where o.FVipNo=k.FVipNo),"
    "  (select max(c.FOwner) from VipCzBill c where c.FVipNo=k.FVipNo),"
    "  (select max(s.FOwner) from ICStockBill s where s.FVipNo=k.FVipNo)) as FOwner,"
    " coalesce((select max(o.FVipID) from VipOrder o where o.FVipNo=k.FVipNo),"
    "  (select max(c.FVipID) from VipCzBill c where c.FVipNo=k.FVipNo)) as FVipID,"
    " coalesce((select max(o.FPhone) from VipOrder o where o.FVipNo=k.FVipNo),"
    "  (select max(c.FPhone) from VipCzBill c where c.FVipNo=k.FVipNo)) as FPhone,"
    " (select sum(") + StoredValueLedger::signedAmountSql(QStringLiteral("c.")) + QStringLiteral(
    ") from VipCzBill c where c.FVipNo=k.FVipNo) as FBalance,"
    " (select sum(e.FQty+coalesce(e.FPreQty,0)-coalesce(e.FCplQty,0)) from VipOrder o"
    "  join VipOrderEntry e on e.FInterID=o.FInterID where o.FVipNo=k.FVipNo"
    "  and coalesce(o.FClosed,0)=0 and (e.FYxq is null or e.FYxq>=?)) as FOpenQty,"
    " (select max(o.Fdate) from VipOrder o where o.FVipNo=k.FVipNo) as FOrderDate,"
    " (select max(c.FDate) from VipCzBill c where c.FVipNo=k.FVipNo) as FCzDate,"
    " (select max(s.Fdate) from ICStockBill s where s.FVipNo=k.FVipNo) as FSaleDate"
    " from (%1) k where k.FVipNo is not null and k.FVipNo<>'' order by k.FVipNo limit ?");

const QString kAllCards = QStringLiteral(
    "select FVipNo from VipOrder union select FVipNo from VipCzBill union select FVipNo from ICStockBill");

// The same columns matched in each document, each as a range of its index, so a search reads
// the cards that begin with the text instead of every movement.
const QString kMatchingCards = QStringLiteral(
    "select FVipNo from VipOrder where (FVipNo>=? and FVipNo<?) or (FOwner>=? and FOwner<?)"
    " or (FVipID>=? and FVipID<?) or (FPhone>=? and FPhone<?)"
    " union select FVipNo from VipCzBill where (FVipNo>=? and FVipNo<?) or (FOwner>=? and FOwner<?)"
    " or (FVipID>=? and FVipID<?) or (FPhone>=? and FPhone<?)"
    " union select FVipNo from ICStockBill where (FVipNo>=? and FVipNo<?) or (FOwner>=? and FOwner<?)");

} // namespace

QList<MemberRegister::Member> MemberRegister::search(const QString &cnstr, const QString &text,
                                                     const QDate &today, int limit)
{
    const QString t = text.trimmed();
    QList<Member> list;
    for (const db::Row &r : db::query(cnstr, searchSql(!t.isEmpty()), searchParams(t, today, limit))) {
        Member m;
        m.vipNo = r.text(QStringLiteral("FVipNo"));
        m.owner = r.text(QStringLiteral("FOwner"));
        m.vipId = r.text(QStringLiteral("FVipID"));
        m.phone = r.text(QStringLiteral("FPhone"));
        m.balance = r.money(QStringLiteral("FBalance"));
        m.openQty = qRound64(r.number(QStringLiteral("FOpenQty")));
        for (const char *column : {"FOrderDate", "FCzDate", "FSaleDate"}) {
            const QDate d = r.date(QString::fromLatin1(column));
            if (d.isValid() && (!m.lastVisit.isValid() || d > m.lastVisit))
                m.lastVisit = d;
        }
        list.append(m);
    }
    return list;
}

QString MemberRegister::searchSql(bool withText)
{
    return kSelect.arg(withText ? kMatchingCards : kAllCards);
}

QVariantList MemberRegister::searchParams(const QString &text, const QDate &today, int limit)
{
    QVariantList params{today};
    const QString t = text.trimmed();
    // Everything that begins with the text sorts from the text itself to the text followed by
    // the highest character.
    if (!t.isEmpty())
        for (int i = 0; i < 10; ++i)
            params << t << t + QChar(0xFFFF);
    return params << limit;
}

ReportTable MemberRegister::table(const QList<Member> &members)
{
    ReportTable t;
    t.columns = {{QStringLiteral("FVipNo"), QStringLiteral("会员卡号"), 110, false},
                 {QStringLiteral("FOwner"), QStringLiteral("持卡人"), 90, false},
                 {QStringLiteral("FVipID"), QStringLiteral("身份证号"), 170, false},
                 {QStringLiteral("FPhone"), QStringLiteral("电话"), 120, false},
                 {QStringLiteral("FBalance"), QStringLiteral("储值余额"), 90, true},
                 {QStringLiteral("FOpenQty"), QStringLiteral("未取数量"), 80, true},
                 {QStringLiteral("FLastVisit"), QStringLiteral("最近来店"), 100, false}};
    for (const Member &m : members)
        t.rows.append({ReportRow::Detail,
                       {m.vipNo, m.owner, m.vipId, m.phone, m.balance.formatGrouped(),
                        QString::number(m.openQty), m.lastVisit.toString(QStringLiteral("yyyy-MM-dd"))}});
    return t;
}
