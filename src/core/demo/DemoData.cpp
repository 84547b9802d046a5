#include "core/demo/DemoData.h"

#include <QDate>
#include <QDateTime>

#include "core/frame/PasswordHash.h"
#include "core/frame/Routines.h"
#include "core/db/BillNumbers.h"
#include "core/db/Database.h"
#include "core/db/Dialect.h"
#include "core/db/Schema.h"
#include "core/db/Transaction.h"
#include "core/print/TemplateLibrary.h"

namespace db {

namespace {

struct Item
{
    int id;
    const char *name, *number, *shop, *bar, *unit;
    double retail, member;
};

const Item kItems[] = {
    {1, "鲜牛奶 250ml", "01.001", "101", "6901234500011", "袋", 3.50, 3.20},
    {2, "鲜牛奶 500ml", "01.002", "102", "6901234500028", "瓶", 6.50, 6.00},
    {3, "低脂牛奶 250ml", "01.003", "103", "6901234500035", "袋", 3.80, 3.50},
    {4, "高钙牛奶 250ml", "01.004", "104", "6901234500042", "袋", 3.50, 3.30},
    {5, "巧克力奶 200ml", "01.005", "105", "6901234500059", "盒", 4.00, 3.80},
    {6, "原味酸奶 150g", "02.001", "201", "6901234500066", "杯", 3.00, 2.80},
    {7, "草莓酸奶 150g", "02.002", "202", "6901234500073", "杯", 3.20, 3.00},
    {8, "老酸奶 180g", "02.003", "203", "6901234500080", "杯", 5.00, 4.60},
    {9, "活性乳酸菌 100ml", "02.004", "204", "6901234500097", "瓶", 2.00, 1.80},
    {10, "学生奶 200ml", "01.006", "106", "6901234500103", "盒", 2.50, 2.30},
};

void insertCz(Transaction &tx, const QString &vipNo, const QString &owner, const QString &phone,
              int type, const QDate &date, double amount, double give, const QString &remark,
              double &balance, int biller)
{
    const double k = type == 1 ? amount + give : amount;
    const double before = balance;
    balance += type == 1 ? k : -k;
    tx.execute(QStringLiteral(
                   "insert into VipCzBill (FVipNo, FVipID, FOwner, FPhone, FTranType, FDate,"
                   " FCreateTime, FBillerID, FKAmount, FCzAmount, FZsAmount, FRemark, FBegAmount,"
                   " FEndAmount, FYear, FSeason, FMonth, FSumAmount) values"
                   " (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
               {vipNo, QString(), owner, phone, type, date, QDateTime(date, QTime(9, 30)), biller,
                k, type == 1 ? amount : 0.0, type == 1 ? give : 0.0, remark, before, balance,
                QString::number(date.year()) + QStringLiteral("年"), GetSeasonName(date),
                GetMonthName(date), k});
}

} // namespace

void DemoData::create(const QString &cnstr)
{
    Schema::ensure(cnstr);
    const int retail = Schema::addPriceStyle(cnstr, QStringLiteral("零售价"));
    const int member = Schema::addPriceStyle(cnstr, QStringLiteral("会员价"));
    const QDate today = QDate::currentDate();

    Transaction tx(cnstr);
    const QString itemSql = QStringLiteral(
        "insert into t_icitem (FItemID, FName, FNumber, FShopNumber, FBar_Code, FUnit, FPrice_%1,"
        " FPrice_%2) values (?,?,?,?,?,?,?,?)")
                                .arg(retail)
                                .arg(member);
    for (const Item &it : kItems)
        tx.execute(itemSql, {it.id, QString::fromUtf8(it.name), QString::fromUtf8(it.number),
                             QString::fromUtf8(it.shop), QString::fromUtf8(it.bar),
                             QString::fromUtf8(it.unit), it.retail, it.member});
    // Pack bar codes: a case of six or twelve scanned as one unit, at the pack's own price.
    const QString packSql = QStringLiteral("insert into t_icitem_barcode (FItemID, FBarCode,"
                                           " FPriceStyleID, FExchange, FPrice) values (?,?,?,?,?)");
    tx.execute(packSql, {1, QStringLiteral("6901234510010"), retail, 6, 19.80});
    tx.execute(packSql, {2, QStringLiteral("6901234510027"), retail, 12, 72.00});
    tx.execute(packSql, {6, QStringLiteral("6901234510065"), retail, 6, 16.80});
    tx.execute(packSql, {10, QStringLiteral("6901234510102"), member, 24, 52.80});

    const QString stockSql = QStringLiteral("insert into t_stock (FItemID, FName, FNumber) values (?,?,?)");
    tx.execute(stockSql, {1, QStringLiteral("店面"), QStringLiteral("01")});
    tx.execute(stockSql, {2, QStringLiteral("冷库"), QStringLiteral("02")});
    tx.execute(stockSql, {3, QStringLiteral("配送车"), QStringLiteral("03")});

    const QString userSql = QStringLiteral("insert into t_user (FUserID, FUserName, FManager,"
                                           " FAllowQuerydAys, FPasswordHash) values (?,?,?,?,?)");
    tx.execute(userSql, {1, ManagerName, 1, 0, PasswordHash::hash(ManagerPassword)});
    tx.execute(userSql, {2, CashierName, 0, 31, PasswordHash::hash(CashierPassword)});
    const QString grantSql = QStringLiteral("insert into t_user_grant (FUserID, FKey, FValue) values (?,?,?)");
    const char *cashierRights[][2] = {{"NewOrder", "1"}, {"EditOrder", "0"}, {"NewSale", "1"},
                                      {"yyrbb", "1"},    {"salemxb", "1"},   {"ordermxb", "1"},
                                      {"bk", "0"},       {"EditOrderYxq", "0"}, {"OrderHzb", "0"},
                                      {"OrderAdjItem", "1"}};
    for (const auto &r : cashierRights)
        tx.execute(grantSql, {2, QString::fromLatin1(r[0]), QString::fromLatin1(r[1]).toInt()});

    const QString tdSql = QStringLiteral("insert into TDBill (FTranType, FTDBillName, FTemplate) values (?,?,?)");
    for (const TemplateLibrary::Entry &e : TemplateLibrary::demoTemplates())
        tx.execute(tdSql, {e.tranType, e.name, e.tmpl.toJson()});

    // Members: stored value first, then orders paid partly from it, then sales that hand
    // goods out against the orders.
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
    double bal[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        const Member &m = members[i];
        insertCz(tx, QString::fromUtf8(m.vipNo), QString::fromUtf8(m.owner),
                 QString::fromUtf8(m.phone), 1, today.addDays(-40 + i), 500, i == 0 ? 50 : 0,
                 QStringLiteral("开卡充值"), bal[i], 1);
    }
    insertCz(tx, QStringLiteral("V0002"), QStringLiteral("王建国"), QStringLiteral("13800000002"), 1,
             today.addDays(-10), 200, 20, QStringLiteral("续充"), bal[1], 2);
    insertCz(tx, QStringLiteral("V0003"), QStringLiteral("李秀英"), QStringLiteral("13800000003"), 1,
             today.addDays(-5), -100, 0, QStringLiteral("退款"), bal[2], 1);

    struct OrderLine
    {
        int item;
        double qty, gift, done, price;
        int validDays;
    };
    auto addOrder = [&](int m, int daysAgo, QList<OrderLine> lines, double fromReserve,
                        const QString &remark) {
        const int id = BillNumbers::draw(tx, BillNumbers::MemberOrder);
        const QDate date = today.addDays(-daysAgo);
        double sumQty = 0, sumAmount = 0, done = 0;
        int entry = 0;
        for (const OrderLine &l : lines) {
            sumQty += l.qty + l.gift;
            sumAmount += l.qty * l.price;
            done += l.done;
            tx.execute(QStringLiteral("insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty,"
                                      " FPreQty, FCplQty, FPrice, FAmount, FYxq) values (?,?,?,?,?,?,?,?,?)"),
                       {id, ++entry, l.item, l.qty, l.gift, l.done, l.price, l.qty * l.price,
                        l.validDays ? QVariant(date.addDays(l.validDays)) : QVariant()});
        }
        const Member &mm = members[m];
        tx.execute(QStringLiteral("insert into VipOrder (FInterID, Fdate, FVipNo, FOwner, FPhone,"
                                  " FRemark, FSumQty, FSumAmount, FCreateTime, FMonth, FVipID,"
                                  " FBillerID, FGetCash, FGetReserve, FClosed) values"
                                  " (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
                   {id, date, QString::fromUtf8(mm.vipNo), QString::fromUtf8(mm.owner),
                    QString::fromUtf8(mm.phone), remark, sumQty, sumAmount,
                    QDateTime(date, QTime(8, 15)), GetBillMonthLabel(date),
                    QString::fromUtf8(mm.vipId), 2, sumAmount - fromReserve, fromReserve,
                    done >= sumQty ? 1 : 0});
        if (fromReserve > 0)
            insertCz(tx, QString::fromUtf8(mm.vipNo), QString::fromUtf8(mm.owner),
                     QString::fromUtf8(mm.phone), 2, date, fromReserve, 0,
                     QStringLiteral("订单付款"), bal[m], 2);
        return id;
    };
    const int o1 = addOrder(0, 30, {{1, 60, 6, 12, 3.20, 90}, {6, 30, 3, 6, 2.80, 90}}, 200,
                            QStringLiteral("每天早上取奶"));
    const int o2 = addOrder(1, 20, {{2, 30, 3, 5, 6.00, 60}}, 180, QStringLiteral("周末不取"));
    addOrder(2, 45, {{10, 20, 0, 20, 2.30, 0}}, 0, QStringLiteral("已取完"));
    addOrder(3, 3, {{4, 30, 2, 0, 3.30, 30}, {8, 10, 1, 0, 4.60, 30}}, 100, QStringLiteral("O'Neil's order"));

    // Past sales: a walk-in sale and a member hand-out against the first order.
    auto addSale = [&](int daysAgo, const QString &vipNo, const QString &owner,
                       QList<std::array<double, 6>> lines, double fromReserve) {
        const int id = BillNumbers::draw(tx, BillNumbers::SaleBill);
        const QDate date = today.addDays(-daysAgo);
        double qty = 0, amount = 0;
        int entry = 0;
        for (const auto &l : lines) { // item, qty, price, orderId, orderEntry, mainQty
            const bool pickup = l[3] != 0;
            qty += l[1];
            if (!pickup)
                amount += l[1] * l[2];
            tx.execute(QStringLiteral("insert into ICStockBillEntry (FInterID, FEntryID, FItemID,"
                                      " FMainQty, FQty, FPrice, FAmount, FBeforeZkPrice, FBeforeZkAmount,"
                                      " FOrderBillInterID, FOrderBillEntryID, FOutStockID) values"
                                      " (?,?,?,?,?,?,?,?,?,?,?,?)"),
                       {id, ++entry, int(l[0]), l[5], l[1], pickup ? 0.0 : l[2],
                        pickup ? 0.0 : l[1] * l[2], l[2], l[1] * l[2], int(l[3]), int(l[4]), 1});
        }
        tx.execute(QStringLiteral("insert into ICStockBill (FInterID, FTrantype, Fyear, FPeriod,"
                                  " FDeleted, Fdate, FVipNo, FOwner, FSumQty, FSumAmount, FSysTime,"
                                  " FMonth, FBillerID, FGetReserve, FGetCash) values"
                                  " (?,99,?,?,0,?,?,?,?,?,?,?,2,?,?)"),
                   {id, date.year(), date.month(), date, vipNo, owner, qty, amount,
                    QDateTime(date, QTime(7, 40)), GetBillMonthLabel(date), fromReserve,
                    amount - fromReserve});
    };
    addSale(3, QStringLiteral("V0002"), QStringLiteral("王建国"), {{{2, 5, 6.00, double(o2), 1, 0}}}, 0);
    addSale(2, QString(), QString(), {{{2, 2, 6.50, 0, 0, 0}}, {{6, 3, 3.00, 0, 0, 0}}}, 0);
    addSale(1, QStringLiteral("V0001"), QStringLiteral("张丽"),
            {{{1, 12, 3.20, double(o1), 1, 0}}, {{6, 6, 2.80, double(o1), 2, 0}}, {{7, 2, 3.20, 0, 0, 0}}},
            6.40);
    insertCz(tx, QStringLiteral("V0001"), QStringLiteral("张丽"), QStringLiteral("13800000001"), 2,
             today.addDays(-1), 6.40, 0, QStringLiteral("销售付款"), bal[0], 2);
    // The order lines above already count the goods these sales handed out.
    tx.commit();
}

} // namespace db
