#include "core/demo/DemoData.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QMap>

#include "core/backoffice/ItemStore.h"
#include "core/backoffice/OperatorStore.h"
#include "core/backoffice/PriceStyleStore.h"
#include "core/backoffice/WarehouseStore.h"

#include "core/base/Money.h"
#include "core/members/StoredValueLedger.h"
#include "core/orders/MemberOrder.h"
#include "core/orders/MemberOrderStore.h"
#include "core/pos/SaleBill.h"
#include "core/pos/SaleBillStore.h"
#include "core/frame/Routines.h"
#include "core/db/Database.h"
#include "core/db/Dialect.h"
#include "core/db/Schema.h"
#include "core/frame/AccountSets.h"
#include "core/base/PrivateFiles.h"
#include "core/db/Transaction.h"
#include "core/print/TemplateLibrary.h"

namespace {

struct Item
{
    int id;
    const char *name, *number, *shop, *bar, *unit;
    int retailCents, memberCents;
};

const Item kItems[] = {
    {1, "鲜牛奶 250ml", "01.001", "101", "6901234500011", "袋", 350, 320},
    {2, "鲜牛奶 500ml", "01.002", "102", "6901234500028", "瓶", 650, 600},
    {3, "低脂牛奶 250ml", "01.003", "103", "6901234500035", "袋", 380, 350},
    {4, "高钙牛奶 250ml", "01.004", "104", "6901234500042", "袋", 350, 330},
    {5, "巧克力奶 200ml", "01.005", "105", "6901234500059", "盒", 400, 380},
    {6, "原味酸奶 150g", "02.001", "201", "6901234500066", "杯", 300, 280},
    {7, "草莓酸奶 150g", "02.002", "202", "6901234500073", "杯", 320, 300},
    {8, "老酸奶 180g", "02.003", "203", "6901234500080", "杯", 500, 460},
    {9, "活性乳酸菌 100ml", "02.004", "204", "6901234500097", "瓶", 200, 180},
    {10, "学生奶 200ml", "01.006", "106", "6901234500103", "盒", 250, 230},
};

} // namespace

void DemoData::create(const QString &cnstr)
{
    db::Schema::ensure(cnstr);
    const QDate today = QDate::currentDate();

    // Price styles, items, warehouses and operators through the back office's own stores, as
    // a shop would key them in; the items come out numbered 1 to 10 in the order below.
    db::Transaction tx(cnstr);
    const int retail = PriceStyleStore::add(tx, PriceStyleStore::retailName());
    const int member = PriceStyleStore::add(tx, QStringLiteral("会员价"));
    // Pack bar codes: a case of six or twelve scanned as one unit, at the pack's own price.
    const QMap<int, PackCode> packs{
        {1, {QStringLiteral("6901234510010"), retail, 6, Money::fromCents(1980)}},
        {2, {QStringLiteral("6901234510027"), retail, 12, Money::fromCents(7200)}},
        {6, {QStringLiteral("6901234510065"), retail, 6, Money::fromCents(1680)}},
        {10, {QStringLiteral("6901234510102"), member, 24, Money::fromCents(5280)}},
    };
    for (const Item &it : kItems) {
        ItemRecord item;
        item.name = QString::fromUtf8(it.name);
        item.number = QString::fromUtf8(it.number);
        item.shopNumber = QString::fromUtf8(it.shop);
        item.barCode = QString::fromUtf8(it.bar);
        item.unit = QString::fromUtf8(it.unit);
        item.prices = {{retail, Money::fromCents(it.retailCents)}, {member, Money::fromCents(it.memberCents)}};
        if (packs.contains(it.id))
            item.codes.append(packs.value(it.id));
        ItemStore::save(tx, item);
    }

    WarehouseStore::save(tx, {0, QStringLiteral("01"), QStringLiteral("店面"), false});
    WarehouseStore::save(tx, {0, QStringLiteral("02"), QStringLiteral("冷库"), false});
    WarehouseStore::save(tx, {0, QStringLiteral("03"), QStringLiteral("配送车"), false});

    OperatorStore::add(tx, {0, ManagerName, true, 0, false}, ManagerPassword, ManagerPassword);
    OperatorStore::add(tx, {0, CashierName, false, 31, false}, CashierPassword, CashierPassword);
    const QString grantSql = QStringLiteral("insert into t_user_grant (FUserID, FKey, FValue) values (?,?,?)");
    const char *cashierRights[][2] = {{"NewOrder", "1"}, {"EditOrder", "0"}, {"NewSale", "1"},
                                      {"yyrbb", "1"},    {"salemxb", "1"},   {"ordermxb", "1"},
                                      {"bk", "0"},       {"EditOrderYxq", "0"}, {"OrderHzb", "0"},
                                      {"OrderAdjItem", "1"}, {"BaseData", "0"}};
    for (const auto &r : cashierRights)
        tx.execute(grantSql, {2, QString::fromLatin1(r[0]), QString::fromLatin1(r[1]).toInt()});

    const QString tdSql = QStringLiteral("insert into TDBill (FTranType, FTDBillName, FTemplate) values (?,?,?)");
    for (const TemplateLibrary::Entry &e : TemplateLibrary::demoTemplates())
        tx.execute(tdSql, {e.tranType, e.name, e.tmpl.toJson()});

    // Members, their orders and sales, written day by day through the stores, so that every
    // stored-value movement starts from the balance the previous one ended at.
    struct Member
    {
        const char *vipNo, *owner, *phone, *vipId;
    };
    const Member members[] = {
        {"V0001", "张丽", "13800000001", "110101198001010021"},
        {"V0002", "王建国", "13800000002", "110101197505050035"},
        {"V0003", "李秀英", "13800000003", "110101196810100048"},
        {"V0004", "O'Neil", "13800000004", "110101199002020057"},
    };
    auto text = [](const char *s) { return QString::fromUtf8(s); };
    auto movement = [&](int m, int type, int daysAgo, Money amount, Money gift,
                        const QString &remark, int biller) {
        StoredValueMovement mv;
        mv.vipNo = text(members[m].vipNo);
        mv.owner = text(members[m].owner);
        mv.phone = text(members[m].phone);
        mv.type = type;
        mv.date = today.addDays(-daysAgo);
        mv.createTime = QDateTime(mv.date, QTime(9, 30));
        mv.billerId = biller;
        mv.amount = amount;
        mv.gift = gift;
        mv.remark = remark;
        StoredValueLedger::post(tx, mv);
    };
    struct OrderLine
    {
        int item;
        qint64 qty, gift, done;
        Money price;
        int validDays;
    };
    auto addOrder = [&](int m, int daysAgo, const QList<OrderLine> &lines, Money fromReserve,
                        const QString &remark) {
        MemberOrder o;
        o.date = today.addDays(-daysAgo);
        o.vipNo = text(members[m].vipNo);
        o.owner = text(members[m].owner);
        o.phone = text(members[m].phone);
        o.vipId = text(members[m].vipId);
        o.remark = remark;
        for (const OrderLine &l : lines)
            o.lines.append({l.item, l.qty, l.gift, l.done, l.price,
                            l.validDays ? o.date.addDays(l.validDays) : QDate()});
        o.id = MemberOrderStore::insert(tx, o, o.sumAmount() - fromReserve, fromReserve, 2,
                                        QDateTime(o.date, QTime(8, 15)));
        if (!fromReserve.isZero())
            movement(m, StoredValueMovement::Payment, daysAgo, fromReserve, Money(),
                     QStringLiteral("订单付款"), 2);
        return o;
    };
    // A hand-out line carries the order line's unit value: its amount spread over ordered
    // plus gift quantity.
    auto pickup = [](const MemberOrder &o, int entry, qint64 q) {
        const MemberOrderLine &ol = o.lines.at(entry - 1);
        SaleLine l;
        l.itemId = ol.itemId;
        l.qty = double(q);
        l.price1 = ol.amount().dividedBy(ol.total());
        l.amount1 = (ol.amount() * q).dividedBy(ol.total());
        l.price = l.price1;
        l.amount = l.amount1;
        l.orderId = o.id;
        l.orderEntryId = entry;
        return l;
    };
    auto addSale = [&](int daysAgo, int m, const QList<SaleLine> &lines, Money fromReserve,
                       int biller = 2) {
        SaleBill bill;
        bill.date = today.addDays(-daysAgo);
        if (m >= 0) {
            bill.vipNo = text(members[m].vipNo);
            bill.owner = text(members[m].owner);
        }
        bill.stockId = 1;
        for (const SaleLine &l : lines)
            bill.addLine(l);
        SalePayment pay{bill.receivable() - fromReserve, fromReserve};
        SaleBillStore::insert(tx, bill, pay, biller, QDateTime(bill.date, QTime(7, 40)));
        if (!fromReserve.isZero())
            movement(m, StoredValueMovement::Payment, daysAgo, fromReserve, Money(),
                     QStringLiteral("销售付款"), 2);
    };
    auto sold = [](int item, double qty, Money price) {
        SaleLine l;
        l.itemId = item;
        l.qty = qty;
        l.price = l.price1 = price;
        l.amount = l.amount1 = Money::lineAmount(price, qty);
        return l;
    };
    auto cents = [](qint64 c) { return Money::fromCents(c); };

    addOrder(2, 45, {{10, 20, 0, 20, cents(230), 0}}, Money(), QStringLiteral("已取完"));
    for (int i = 0; i < 4; ++i)
        movement(i, StoredValueMovement::Recharge, 40 - i, Money::fromInt(500),
                 Money::fromInt(i == 0 ? 50 : 0), QStringLiteral("开卡充值"), 1);
    const MemberOrder o1 = addOrder(0, 30, {{1, 60, 6, 12, cents(320), 90}, {6, 30, 3, 6, cents(280), 90}},
                                    Money::fromInt(200), QStringLiteral("每天早上取奶"));
    const MemberOrder o2 = addOrder(1, 20, {{2, 30, 3, 5, cents(600), 60}}, Money::fromInt(180),
                                    QStringLiteral("周末不取"));
    movement(1, StoredValueMovement::Recharge, 10, Money::fromInt(200), Money::fromInt(20),
             QStringLiteral("续充"), 2);
    movement(2, StoredValueMovement::Recharge, 5, Money::fromInt(-100), Money(), QStringLiteral("退款"), 1);
    addOrder(3, 3, {{4, 30, 2, 0, cents(330), 30}, {8, 10, 1, 0, cents(460), 30}}, Money::fromInt(100),
             QStringLiteral("O'Neil's order"));
    // Past sales: a member hand-out, a walk-in sale, and a hand-out with goods paid partly
    // from stored value. The order lines above already count the goods they handed out.
    addSale(3, 1, {pickup(o2, 1, 5)}, Money());
    addSale(2, -1, {sold(2, 2, cents(650)), sold(6, 3, cents(300))}, Money());
    addSale(1, 0, {pickup(o1, 1, 12), pickup(o1, 2, 6), sold(7, 2, cents(320))}, cents(640));
    // A busy morning: two more orders on the day of O'Neil's, one of them started, and a
    // second bill on the day of 张丽's hand-out, so the lists show same-day orders and bills.
    const MemberOrder o3 = addOrder(2, 3, {{1, 30, 3, 2, cents(320), 60}, {2, 10, 0, 0, cents(600), 30}},
                                    Money(), QStringLiteral("上午订"));
    addOrder(2, 3, {{6, 20, 0, 0, cents(280), 0}}, Money(), QString());
    addSale(1, 2, {pickup(o3, 1, 2), sold(8, 1, cents(460))}, Money());
    // Walk-in sales at the manager's station too, so the daily report has several cashiers
    // and items on several days.
    addSale(2, -1, {sold(9, 5, cents(200)), sold(1, 2, cents(350))}, Money(), 1);
    addSale(1, -1, {sold(2, 1, cents(650))}, Money());
    addSale(0, -1, {sold(1, 3, cents(350)), sold(5, 2, cents(400)), sold(8, 1, cents(500))}, Money(), 1);
    // 张丽's first card, used up before she took V0001: two cards on one identity number,
    // as the card replacement finds them.
    MemberOrder old;
    old.date = today.addDays(-58);
    old.vipNo = QStringLiteral("V0005");
    old.owner = text(members[0].owner);
    old.phone = text(members[0].phone);
    old.vipId = text(members[0].vipId);
    old.remark = QStringLiteral("旧卡");
    old.lines.append({1, 20, 0, 20, cents(320), QDate()});
    MemberOrderStore::insert(tx, old, old.sumAmount(), Money(), 2, QDateTime(old.date, QTime(8, 5)));
    tx.commit();
}

int DemoData::firstHandedOutOrder(const QString &cnstr)
{
    return db::scalar(cnstr, QStringLiteral("select min(FInterID) from VipOrderEntry where FCplQty>0")).toInt();
}

DemoData::HandedOutLine DemoData::firstHandedOutLine(const QString &cnstr)
{
    const db::Rows rows = db::query(
        cnstr, QStringLiteral("select t1.FInterID, t1.FEntryID, t1.FQty + t1.FPreQty as FAll,"
                              " t0.FVipNo from VipOrderEntry t1 inner join VipOrder t0"
                              " on t0.FInterID=t1.FInterID where exists (select 1 from"
                              " ICStockBillEntry t2 where t2.FOrderBillInterID=t1.FInterID"
                              " and t2.FOrderBillEntryID=t1.FEntryID) order by t1.FInterID, t1.FEntryID"));
    if (rows.isEmpty())
        return {};
    const db::Row &r = rows.first();
    return {r.integer(QStringLiteral("FInterID")), r.integer(QStringLiteral("FEntryID")),
            r.integer(QStringLiteral("FAll")), r.text(QStringLiteral("FVipNo"))};
}

void DemoData::ensureListed()
{
    if (!AccountSets::list().isEmpty())
        return;
    const QString path = AccountSets::dataDir() + QStringLiteral("/demo.db");
    PrivateFiles::makeDir(QFileInfo(path).absolutePath());
    const QString cnstr = db::ConnectionString::sqlite(path).toString();
    // Taken off the list earlier, the demo shop is listed again as it was, not filled twice.
    if (!QFileInfo::exists(path) || db::Schema::version(cnstr) == 0)
        create(cnstr);
    AccountSets::add(AccountSets::DemoName, cnstr);
}
