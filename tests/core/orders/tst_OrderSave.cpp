#include <atomic>
#include <optional>
#include <thread>

#include <QProcess>
#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/Transaction.h"
#include "core/frame/CoreError.h"
#include "core/members/StoredValueLedger.h"
#include "core/orders/MemberOrderStore.h"
#include "core/orders/OrderDraft.h"
#include "core/orders/OrderReceipt.h"

namespace {

// Operator 1 is a manager, 2 holds EditOrder, 3 does not. Card V1 has an earlier order 5
// without an identity number.
void seed(const QString &c, int balance)
{
    db::execute(c, "insert into t_stock (FItemID, FName) values (1, '门店')");
    db::execute(
        c, "insert into t_icitem (FItemID, FName) values (1, '鲜奶'), (2, '酸奶'), (3, '豆奶')");
    db::execute(c, "insert into t_user (FUserID, FUserName, FManager) values (1, 'boss', 1), (2, "
                   "'clerk', 0), (3, 'temp', 0)");
    db::execute(c, "insert into t_user_grant (FUserID, FKey, FValue) values (2, 'editorder', 1), "
                   "(3, 'EditOrder', 0)");
    db::execute(c, "insert into VipOrder (FInterID, Fdate, FVipNo, FVipID, FSumQty, FSumAmount, "
                   "FGetCash, FGetReserve, FClosed)"
                   " values (5, '2026-01-01', 'V1', '', 1, 3, 3, 0, 1)");
    if (balance)
        db::execute(
            c,
            "insert into VipCzBill (FVipNo, FTranType, FDate, FKAmount, FBegAmount, FEndAmount)"
            " values ('V1', 1, '2026-03-01', ?, 0, ?)",
            {balance, balance});
}

OrderDraft order(const QDate &yxq = QDate())
{
    OrderDraft d;
    d.date = QDate(2026, 3, 10);
    d.vipNo = "V1";
    d.owner = "O'Neil";
    d.phone = "139";
    d.vipId = "ID1";
    d.add(1, "鲜奶", "4.1667", "10", "2", "50.00", yxq);
    return d;
}

int count(const QString &c, const QString &sql, const db::Params &p = {})
{
    return db::scalar(c, sql, p).toInt();
}

QList<Money> lastMovement(const QString &c)
{
    const db::Row m =
        db::query(c, "select * from VipCzBill where FTranType=2 order by FInterID desc").first();
    return {m.money("FKAmount"), m.money("FBegAmount"), m.money("FEndAmount"),
            m.money("FSumAmount")};
}

QList<Money> paid(const QString &c, int id)
{
    const db::Row h =
        db::query(c, "select FGetCash, FGetReserve from VipOrder where FInterID=?", {id}).first();
    return {h.money("FGetCash"), h.money("FGetReserve")};
}

QString refusalOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const CoreError &e) {
        return e.isRefusal() ? e.message() : QStringLiteral("failure: ") + e.message();
    }
    return QString();
}

} // namespace

class tst_OrderSave : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // 10 + 2 gift for 50.00. Balance 0 paying cash: no movement. Balance 80 paying 50.00 from
    // stored value: 80 → 30, printed balance 30. Balance 80 paying cash: a movement of 0.
    // A card whose screen balance was 0 but which holds 40: the typed deduction is debited.
    void newOrder_data()
    {
        QTest::addColumn<int>("balance");
        QTest::addColumn<int>("reserve");
        QTest::addColumn<bool>("movement");
        QTest::addColumn<int>("after");
        QTest::newRow("balance 0, cash") << 0 << 0 << false << 0;
        QTest::newRow("balance 80, stored value") << 80 << 50 << true << 30;
        QTest::newRow("balance 80, cash") << 80 << 0 << true << 80;
        QTest::newRow("deduction with no balance shown") << 40 << 20 << true << 20;
    }
    void newOrder()
    {
        QFETCH(int, balance);
        QFETCH(int, reserve);
        QFETCH(bool, movement);
        QFETCH(int, after);
        TestDb t;
        const QString c = t.cnstr();
        seed(c, balance);
        const OrderDraft d = order();
        const SavedOrder s = MemberOrderStore::save(
            c, d, {Money::fromInt(50 - reserve), Money::fromInt(reserve)}, 2);
        QCOMPARE(s.orderId, 1);
        QCOMPARE(s.movementWritten, movement);
        QCOMPARE(s.balanceAfter, Money::fromInt(after));
        const db::Row h = db::query(c, "select * from VipOrder where FInterID=1").first();
        QCOMPARE(h.number("FSumQty"), 12.0);
        QCOMPARE((QList<Money>{h.money("FSumAmount"), h.money("FGetCash"), h.money("FGetReserve")}),
                 (QList<Money>{Money::fromInt(50), Money::fromInt(50 - reserve),
                               Money::fromInt(reserve)}));
        QCOMPARE(
            (QStringList{h.text("FVipNo"), h.text("FOwner"), h.text("FMonth"), h.text("FVipID"),
                         h.text("FBillerID"), h.text("FClosed"), h.text("FRemark")}),
            (QStringList{"V1", "O'Neil", "2026年3月", "ID1", "2", "0", ""}));
        QCOMPARE(h.date("Fdate"), QDate(2026, 3, 10));
        QCOMPARE(db::scalar(c, "select FMaxNum from ICMaxNum where FTranType=30").toInt(), 1);
        const db::Row l = db::query(c, "select * from VipOrderEntry").first();
        QCOMPARE((QList<double>{l.number("FEntryID"), l.number("FQty"), l.number("FPreQty"),
                                l.number("FCplQty")}),
                 (QList<double>{1, 10, 2, 0}));
        QCOMPARE((QList<Money>{l.money("FPrice"), l.money("FAmount")}),
                 (QList<Money>{Money::parse("4.1667"), Money::fromInt(50)}));
        // The identity number reaches the card's earlier orders too.
        QCOMPARE(db::scalar(c, "select FVipID from VipOrder where FInterID=5").toString(),
                 QStringLiteral("ID1"));
        QCOMPARE(count(c, "select count(*) from VipCzBill where FTranType=2"), movement ? 1 : 0);
        if (movement) {
            QCOMPARE(lastMovement(c),
                     (QList<Money>{Money::fromInt(reserve), Money::fromInt(balance),
                                   Money::fromInt(after), Money::fromInt(50)}));
            const db::Row m = db::query(c, "select * from VipCzBill where FTranType=2").first();
            QCOMPARE((QStringList{m.text("FYear"), m.text("FSeason"), m.text("FMonth"),
                                  m.text("FBillerID")}),
                     (QStringList{"2026年", "2026年1季度", "2026年03月", "2"}));
        }
        const RecordSet rs =
            OrderReceipt::build(d, "clerk", s.cash, s.reserve, s.balanceAfter, QDateTime());
        QCOMPARE(rs.value(0, "FReserveBal").toDouble(), double(after));
    }

    // Lines are numbered by their place, whatever "序号" shows; validity NULL or the date.
    void linesAsStored()
    {
        TestDb t;
        const QString c = t.cnstr();
        seed(c, 0);
        OrderDraft d = order(QDate(2026, 5, 1));
        d.add(2, "酸奶", "2.00", "5", "", "10.00");
        d.add(3, "豆奶", "1.00", "1", "", "1,234.00"); // typed: the comma ends the number
        d.remove(1);
        MemberOrderStore::save(c, d, {Money::fromInt(51), Money()}, 1);
        const db::Rows rows = db::query(c, "select * from VipOrderEntry order by FEntryID");
        QCOMPARE(rows.size(), 2);
        QCOMPARE((QList<int>{rows[0].integer("FEntryID"), rows[1].integer("FEntryID"),
                             rows[1].integer("FItemID")}),
                 (QList<int>{1, 2, 3}));
        QCOMPARE(rows[0].date("FYxq"), QDate(2026, 5, 1));
        QVERIFY(rows[1].isNull("FYxq"));
        QCOMPARE(rows[1].money("FAmount"), Money::fromInt(1));
        QCOMPARE(rows[1].number("FPreQty"), 0.0);
    }

    // Saving a stored order again settles only the difference and keeps the cumulative
    // payment; a lower total goes back to stored value up to what stored value paid.
    void resave_data()
    {
        QTest::addColumn<int>("newAmount");
        QTest::addColumn<int>("payCash");
        QTest::addColumn<int>("payReserve");
        QTest::addColumn<int>("headerCash");
        QTest::addColumn<int>("headerReserve");
        QTest::addColumn<int>("cashBack");
        QTest::addColumn<int>("moved"); // FKAmount of the re-save's movement
        QTest::newRow("unchanged charges nothing") << 50 << 0 << 0 << 30 << 20 << 0 << 0;
        QTest::newRow("higher, the difference") << 60 << 4 << 6 << 34 << 26 << 0 << 6;
        QTest::newRow("lower, back to stored value") << 35 << 0 << 0 << 30 << 5 << 0 << -15;
        QTest::newRow("lower than stored value paid") << 10 << 0 << 0 << 10 << 0 << 20 << -20;
    }
    void resave()
    {
        QFETCH(int, newAmount);
        QFETCH(int, payCash);
        QFETCH(int, payReserve);
        QFETCH(int, headerCash);
        QFETCH(int, headerReserve);
        QFETCH(int, cashBack);
        QFETCH(int, moved);
        TestDb t;
        const QString c = t.cnstr();
        seed(c, 100);
        MemberOrderStore::save(c, order(), {Money::fromInt(30), Money::fromInt(20)}, 2);
        OrderDraft d = OrderDraft::load(c, 1);
        d.vipId = "ID1";
        QCOMPARE(d.due(), Money());
        d.remove(0);
        d.add(1, "鲜奶", "5.00", "10", "2", QString::number(newAmount));
        const SavedOrder s =
            MemberOrderStore::save(c, d, {Money::fromInt(payCash), Money::fromInt(payReserve)}, 2);
        QCOMPARE(s.orderId, 1);
        QCOMPARE(s.cashBack, Money::fromInt(cashBack));
        QCOMPARE(count(c, "select count(*) from VipOrder"), 2);
        QCOMPARE(db::scalar(c, "select FMaxNum from ICMaxNum where FTranType=30").toInt(), 1);
        QCOMPARE(paid(c, 1),
                 (QList<Money>{Money::fromInt(headerCash), Money::fromInt(headerReserve)}));
        QCOMPARE(lastMovement(c),
                 (QList<Money>{Money::fromInt(moved), Money::fromInt(80),
                               Money::fromInt(80 - moved), Money::fromInt(newAmount)}));
        QCOMPARE(StoredValueLedger::balance(c, "V1"), Money::fromInt(80 - moved));
        QCOMPARE(db::scalar(c, "select FSumAmount from VipOrder where FInterID=1").toDouble(),
                 double(newAmount));
    }

    // A stored order that has started, closed, lost an item, or an operator without the
    // right: neither saved again nor deleted, and nothing of it changes.
    void lockedOrder_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("user");
        QTest::addColumn<QString>("message");
        const QString locked = MemberOrderStore::lockedMessage();
        QTest::newRow("a unit handed out") << "update VipOrderEntry set FCplQty=1" << 2 << locked;
        QTest::newRow("closed") << "update VipOrder set FClosed=1" << 2 << locked;
        QTest::newRow("right withdrawn") << "" << 3 << locked;
        QTest::newRow("operator unknown") << "" << 9 << locked;
        QTest::newRow("deleted elsewhere") << "delete from VipOrder" << 1 << locked;
        QTest::newRow("paid at another station")
            << "update VipOrder set FGetCash=40" << 2 << "订单已在其他站点修改，请重新打开！";
        QTest::newRow("may change") << "" << 2 << "";
    }
    void lockedOrder()
    {
        QFETCH(QString, change);
        QFETCH(int, user);
        QFETCH(QString, message);
        TestDb t;
        const QString c = t.cnstr();
        seed(c, 0);
        MemberOrderStore::save(c, order(), {Money::fromInt(50), Money()}, 1);
        db::execute(c, "update VipOrder set FVipID='' where FInterID=5");
        const OrderDraft d = OrderDraft::load(c, 1);
        OrderDraft edited = d;
        edited.vipId = "ID2";
        if (!change.isEmpty())
            db::execute(c, change + " where FInterID=1");
        const int lines = count(c, "select count(*) from VipOrderEntry");
        const QString cpl = db::scalar(c, "select sum(FCplQty) from VipOrderEntry").toString();
        QCOMPARE(refusalOf([&] { MemberOrderStore::save(c, edited, {}, user); }), message);
        if (message.isEmpty())
            return;
        QCOMPARE(count(c, "select count(*) from VipOrderEntry"), lines);
        QCOMPARE(db::scalar(c, "select sum(FCplQty) from VipOrderEntry").toString(), cpl);
        QCOMPARE(count(c, "select count(*) from VipOrder where FVipID='ID2'"), 0);
        if (message == MemberOrderStore::lockedMessage())
            QCOMPARE(refusalOf([&] { MemberOrderStore::remove(c, 1, user); }), message);
        QCOMPARE(count(c, "select count(*) from VipOrderEntry"), lines);
    }

    void removeOpenOrder()
    {
        TestDb t;
        const QString c = t.cnstr();
        seed(c, 0);
        MemberOrderStore::save(c, order(), {Money::fromInt(50), Money()}, 1);
        MemberOrderStore::remove(c, 1, 2);
        QCOMPARE(count(c, "select count(*) from VipOrder where FInterID=1"), 0);
        QCOMPARE(count(c, "select count(*) from VipOrderEntry"), 0);
        QCOMPARE(refusalOf([&] { MemberOrderStore::remove(c, 1, 2); }),
                 MemberOrderStore::lockedMessage());
    }

    void refusals_data()
    {
        QTest::addColumn<int>("cash");
        QTest::addColumn<int>("reserve");
        QTest::addColumn<int>("balance");
        QTest::addColumn<QString>("message");
        QTest::newRow("beyond the balance") << 0 << 50 << 30 << "本次扣款金额不允许大于卡内余额！";
        QTest::newRow("above the total") << 0 << 60 << 100 << "本次扣款金额不允许大于应收金额！";
        QTest::newRow("paid more than the total")
            << 40 << 20 << 100 << "付款金额不允许大于应收金额！";
        QTest::newRow("negative cash") << -5 << 0 << 0 << "付款金额不能为负数！";
    }
    void refusals()
    {
        QFETCH(int, cash);
        QFETCH(int, reserve);
        QFETCH(int, balance);
        QFETCH(QString, message);
        TestDb t;
        const QString c = t.cnstr();
        seed(c, balance);
        QCOMPARE(refusalOf([&] {
                     MemberOrderStore::save(c, order(),
                                            {Money::fromInt(cash), Money::fromInt(reserve)}, 1);
                 }),
                 message);
        QCOMPARE(count(c, "select count(*) from VipOrder"), 1);
        QCOMPARE(count(c, "select count(*) from VipOrderEntry") +
                     count(c, "select count(*) from VipCzBill where FTranType=2"),
                 0);
        QCOMPARE(db::scalar(c, "select FMaxNum from ICMaxNum where FTranType=30").toInt(), 0);
    }

    // A failure at any statement leaves nothing behind, the number included.
    void failureLeavesNothing_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("event");
        QTest::newRow("number") << "ICMaxNum"
                                << "update";
        QTest::newRow("lines") << "VipOrderEntry"
                               << "insert";
        QTest::newRow("header") << "VipOrder"
                                << "insert";
        QTest::newRow("identity number") << "VipOrder"
                                         << "update";
        QTest::newRow("movement") << "VipCzBill"
                                  << "insert";
    }
    void failureLeavesNothing()
    {
        QFETCH(QString, table);
        QFETCH(QString, event);
        TestDb t;
        const QString c = t.cnstr();
        seed(c, 80);
        if (t.engine() == db::Engine::PostgreSQL) {
            db::execute(c, "create function kwpos_fail() returns trigger language plpgsql as"
                           " $$ begin raise exception 'forced failure'; end $$");
            db::execute(c, QStringLiteral("create trigger kwpos_fail before %1 on %2 for each row"
                                          " execute function kwpos_fail()")
                               .arg(event, table));
        } else {
            db::execute(c, QStringLiteral("create trigger kwpos_fail before %1 on %2"
                                          " begin select raise(abort, 'forced failure'); end")
                               .arg(event, table));
        }
        const QString got = refusalOf([&] {
            MemberOrderStore::save(c, order(), {Money(), Money::fromInt(50)}, 1);
        });
        QVERIFY2(got.startsWith("failure: ") && got.contains("forced failure"), qPrintable(got));
        QCOMPARE(count(c, "select count(*) from VipOrder"), 1);
        QCOMPARE(count(c, "select count(*) from VipOrderEntry"), 0);
        QCOMPARE(db::scalar(c, "select FVipID from VipOrder where FInterID=5").toString(),
                 QString());
        QCOMPARE(db::scalar(c, "select FMaxNum from ICMaxNum where FTranType=30").toInt(), 0);
        QCOMPARE(StoredValueLedger::balance(c, "V1"), Money::fromInt(80));
    }

    // One station saving order 1 again and again, unchanged, while another hands units out of
    // its first line: every hand-out that was saved is still booked, so no re-save came
    // after one, and the order keeps all its lines.
    // A sale at another station holds the header of the card's earlier order: a new order of
    // the card whose identity number is already right on it saves without waiting for that.
    void newOrderBesideASaleOfTheCard()
    {
        TestDb t;
        const QString c = t.cnstr();
        seed(c, 0);
        db::execute(c, "update VipOrder set FVipID='ID1' where FInterID=5");
        std::optional<db::Transaction> sale(std::in_place, c);
        sale->execute("update VipOrder set FClosed=coalesce(FClosed,0) where FInterID=5");
        std::atomic<bool> saved{false};
        QString failure;
        std::thread station([&] {
            try {
                MemberOrderStore::save(c, order(), {Money::fromInt(50), Money()}, 1);
                saved = true;
            } catch (const CoreError &e) {
                failure = e.message();
            }
            db::closeAll();
        });
        // SQLite lets one writer in at a time: the order waits for the sale whatever it locks.
        if (t.engine() == db::Engine::PostgreSQL) {
            for (int i = 0; i < 3000 && !saved && failure.isEmpty(); ++i)
                QTest::qWait(10);
            const bool savedBeforeTheSale = saved;
            sale->commit();
            station.join();
            QVERIFY2(savedBeforeTheSale, qPrintable(failure));
        } else {
            sale->commit();
            station.join();
        }
        QCOMPARE(failure, QString());
        QCOMPARE(count(c, "select count(*) from VipOrder where FVipID='ID1'"), 2);
    }

    void resaveWhileHandingOut()
    {
        TestDb t;
        const QString c = t.cnstr();
        seed(c, 0);
        OrderDraft d = order();
        d.remove(0);
        d.add(1, "鲜奶", "1.00", "100", "0", "100.00");
        d.add(2, "酸奶", "1.00", "5", "0", "5.00");
        MemberOrderStore::save(c, d, {Money::fromInt(105), Money()}, 1);
        QProcess resaver, handout;
        resaver.start(QStringLiteral(SAVE_ORDERS_EXE), {c, "resave", "150"});
        // Hand-outs begin once re-saves are under way, so the two really meet.
        QVERIFY(resaver.waitForReadyRead(60000));
        handout.start(QStringLiteral(SAVE_ORDERS_EXE), {c, "handout", "20"});
        QStringList resaves, handouts;
        for (auto [p, out] : {std::pair{&resaver, &resaves}, std::pair{&handout, &handouts}}) {
            QVERIFY(p->waitForFinished(300000));
            QVERIFY2(p->exitCode() == 0, p->readAllStandardError().constData());
            *out = QString::fromUtf8(p->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        }
        QCOMPARE(resaves.size(), 150);
        QCOMPARE(handouts.size(), 20);
        const int out = int(handouts.count("ok"));
        qInfo("hand-outs saved: %d of 20, re-saves saved: %d of 150", out,
              int(resaves.count("ok")));
        QCOMPARE(out + handouts.count("出库数量不允许大于剩余数量！"), 20);
        QCOMPARE(resaves.count("ok") + resaves.count(MemberOrderStore::lockedMessage()), 150);
        QCOMPARE(
            db::scalar(c, "select coalesce(sum(FCplQty),0) from VipOrderEntry where FInterID=1")
                .toInt(),
            out);
        QCOMPARE(count(c, "select count(*) from ICStockBill"), out);
        QCOMPARE(count(c, "select count(*) from VipOrderEntry where FInterID=1"), 2);
        // Once a unit is out, every later re-save was refused.
        const int firstRefused = int(resaves.indexOf(MemberOrderStore::lockedMessage()));
        if (firstRefused >= 0)
            QCOMPARE(resaves.mid(firstRefused).count("ok"), 0);
    }
};

QTEST_GUILESS_MAIN(tst_OrderSave)
#include "tst_OrderSave.moc"
