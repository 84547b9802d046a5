#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/Transaction.h"
#include "core/frame/CoreError.h"
#include "core/members/CardReplacement.h"
#include "core/members/StoredValueLedger.h"
#include "core/pos/SaleBill.h"
#include "core/pos/SaleBillStore.h"

namespace {

// 王五 ("ID1") holds cards V'2 and V1 on orders; V1 also has stored value and a sale;
// "used" numbers occur in one table each; a walk-in order carries no identity number.
void addMembers(const QString &cnstr)
{
    const char *order = "insert into VipOrder (FInterID, FVipNo, FOwner, FPhone, FVipID) values (?,?,?,?,?)";
    db::execute(cnstr, order, {1, "V1", "王五", "138", "ID1"});
    db::execute(cnstr, order, {2, "V'2", "王五", "138", "ID1"});
    db::execute(cnstr, order, {3, "V1", "王五", "138", "ID1"});
    db::execute(cnstr, order, {4, "ORDERED", "赵六", "139", "ID2"});
    db::execute(cnstr, order, {5, "", "散客", "", ""});
    db::execute(cnstr, "insert into ICStockBill (FInterID, FTrantype, FVipNo) values (1, 99, 'V1')");
    db::execute(cnstr, "insert into ICStockBill (FInterID, FTrantype, FVipNo) values (2, 99, 'SOLD')");
    db::Transaction tx(cnstr);
    for (const char *card : {"V1", "CHARGED"}) {
        StoredValueMovement m;
        m.vipNo = QLatin1String(card);
        m.type = StoredValueMovement::Recharge;
        m.date = QDate(2024, 3, 1);
        m.amount = Money::fromInt(100);
        StoredValueLedger::post(tx, m);
    }
    tx.commit();
}

QList<int> countsOn(const QString &cnstr, const QString &card)
{
    QList<int> out;
    for (const char *table : {"VipOrder", "VipCzBill", "ICStockBill"})
        out << db::scalar(cnstr, QStringLiteral("select count(*) from %1 where FVipNo=?").arg(QLatin1String(table)),
                          {card})
                   .toInt();
    return out;
}

} // namespace

class tst_CardReplacement : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    void cardsOfAnIdentityNumber()
    {
        TestDb t;
        addMembers(t.cnstr());
        const CardReplacement::Holder h = CardReplacement::cards(t.cnstr(), "ID1");
        QCOMPARE(h.owner, QStringLiteral("王五"));
        QCOMPARE(h.cards, (QStringList{"V'2", "V1"}));
        QVERIFY(CardReplacement::cards(t.cnstr(), "").cards.isEmpty());
        QVERIFY(CardReplacement::cards(t.cnstr(), "ID9").cards.isEmpty());
        QVERIFY(CardReplacement::cards(t.cnstr(), "' or '1'='1").cards.isEmpty());
    }

    void replace_data()
    {
        QTest::addColumn<QString>("oldNo");
        QTest::addColumn<QString>("newNo");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("field");
        QTest::newRow("free number") << "V1" << "N'9" << "" << "";
        QTest::newRow("number on an order") << "V1" << "ORDERED" << "新的会员卡号已经被使用！" << "txtNewVipNo";
        QTest::newRow("number only in movements") << "V1" << "CHARGED" << "新的会员卡号已经被使用！" << "txtNewVipNo";
        QTest::newRow("number only in sales") << "V1" << "SOLD" << "新的会员卡号已经被使用！" << "txtNewVipNo";
        QTest::newRow("onto itself") << "V1" << "V1" << "新的会员卡号已经被使用！" << "txtNewVipNo";
        QTest::newRow("no old card") << "" << "N9" << "请输入身份证号！" << "txtID";
        QTest::newRow("no new number") << "V1" << " " << "请输入新的卡号！" << "txtNewVipNo";
        QTest::newRow("old card holds nothing")
            << "GONE" << "N9" << "原来卡号已不存在，请重新输入身份证号！" << "cmbVipNo";
    }

    void replace()
    {
        QFETCH(QString, oldNo);
        QFETCH(QString, newNo);
        QFETCH(QString, refusal);
        QFETCH(QString, field);
        TestDb t;
        addMembers(t.cnstr());
        const Money balance = StoredValueLedger::balance(t.cnstr(), "V1");
        try {
            CardReplacement::check(t.cnstr(), oldNo, newNo);
            QCOMPARE(CardReplacement::replace(t.cnstr(), oldNo, newNo), 4);
            QVERIFY(refusal.isEmpty());
            QCOMPARE(countsOn(t.cnstr(), "V1"), (QList<int>{0, 0, 0}));
            QCOMPARE(countsOn(t.cnstr(), newNo), (QList<int>{2, 1, 1}));
            QCOMPARE(StoredValueLedger::balance(t.cnstr(), newNo), balance);
            QCOMPARE(countsOn(t.cnstr(), "V'2"), (QList<int>{1, 0, 0}));
        } catch (const CoreError &e) {
            QCOMPARE(e.message(), refusal);
            QCOMPARE(e.field(), field);
            QCOMPARE(countsOn(t.cnstr(), "V1"), (QList<int>{2, 1, 1}));
        }
    }

    // The check runs again inside the transaction: a number given out after the question.
    void numberTakenAfterTheQuestion()
    {
        TestDb t;
        addMembers(t.cnstr());
        CardReplacement::check(t.cnstr(), "V1", "N9");
        db::execute(t.cnstr(), "insert into VipCzBill (FVipNo, FTranType, FKAmount) values ('N9', 1, 5)");
        try {
            CardReplacement::replace(t.cnstr(), "V1", "N9");
            QFAIL("replaced onto a used number");
        } catch (const CoreError &e) {
            QCOMPARE(e.message(), QStringLiteral("新的会员卡号已经被使用！"));
        }
        QCOMPARE(countsOn(t.cnstr(), "V1"), (QList<int>{2, 1, 1}));
    }

    // The sale bills refuse to move: the orders and movements moved before stay where they were.
    void failureHalfWayChangesNothing()
    {
        TestDb t;
        addMembers(t.cnstr());
        if (t.engine() == db::Engine::SQLite) {
            db::execute(t.cnstr(), "create trigger no_move before update on ICStockBill"
                                   " begin select raise(abort, 'sale bills are locked'); end");
        } else {
            db::execute(t.cnstr(), "create function no_move() returns trigger language plpgsql as"
                                   " $$ begin raise exception 'sale bills are locked'; end $$");
            db::execute(t.cnstr(), "create trigger no_move before update on ICStockBill"
                                   " for each row execute function no_move()");
        }
        try {
            CardReplacement::replace(t.cnstr(), "V1", "N9");
            QFAIL("the failing update went unnoticed");
        } catch (const CoreError &e) {
            QVERIFY2(e.message().contains("sale bills are locked"), qPrintable(e.message()));
            QVERIFY(!e.isRefusal());
        }
        QCOMPARE(countsOn(t.cnstr(), "V1"), (QList<int>{2, 1, 1}));
        QCOMPARE(countsOn(t.cnstr(), "N9"), (QList<int>{0, 0, 0}));
    }

    // Two stations replace the same lost card from the same list: one moves everything, the
    // other is refused instead of handing out an empty card.
    void twoReplacementsOfOneCard()
    {
        TestDb t;
        const QString cnstr = t.cnstr();
        addMembers(cnstr);
        std::atomic<int> moved{0};
        QStringList refusals;
        std::mutex m;
        auto replace = [&](const QString &newNo) {
            try {
                moved += CardReplacement::replace(cnstr, "V1", newNo);
            } catch (const CoreError &e) {
                const std::lock_guard<std::mutex> lock(m);
                refusals << e.message();
            }
            db::closeAll();
        };
        std::thread a(replace, QStringLiteral("N8")), b(replace, QStringLiteral("N9"));
        a.join();
        b.join();
        QCOMPARE(moved.load(), 4);
        QCOMPARE(refusals, QStringList{"原来卡号已不存在，请重新输入身份证号！"});
        const QList<int> onN8 = countsOn(cnstr, "N8"), onN9 = countsOn(cnstr, "N9");
        QVERIFY2((onN8 == QList<int>{2, 1, 1} && onN9 == QList<int>{0, 0, 0}) ||
                     (onN9 == QList<int>{2, 1, 1} && onN8 == QList<int>{0, 0, 0}),
                 "the rows are split between the two new cards");
    }

    // A station hands out from the old card's order while the card is replaced: the sale
    // holds the order's header and waits for the card, the replacement must not hold the card
    // and wait for the header. Another connection holds the card until both are queued on it,
    // the replacement first.
    void replacementRacesPickup()
    {
        TestDb t;
        const QString cnstr = t.cnstr();
        addMembers(cnstr);
        db::execute(cnstr, "insert into t_stock (FItemID, FName) values (1, '门店')");
        db::execute(cnstr, "update ICMaxNum set FMaxNum=2 where FTranType=0");
        db::execute(cnstr, "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty,"
                           " FCplQty, FAmount) values (1, 1, 1, 5, 0, 0, 15)");
        auto waiting = [&](int n) {
            if (t.engine() != db::Engine::PostgreSQL)
                return;
            for (int i = 0; i < 3000 && db::scalar(TestDb::postgresCnstr(),
                                                   "select count(*) from pg_locks where not granted")
                                                .toInt() < n;
                 ++i)
                QTest::qWait(10);
        };
        QStringList failures;
        std::mutex m;
        auto attempt = [&](const std::function<void()> &step) {
            try {
                step();
            } catch (const CoreError &e) {
                const std::lock_guard<std::mutex> lock(m);
                failures << e.message();
            }
            db::closeAll();
        };
        std::optional<db::Transaction> holder(std::in_place, cnstr);
        StoredValueLedger::lockCard(*holder, "V1");
        std::thread r(attempt, [&] { CardReplacement::replace(cnstr, "V1", "N9"); });
        waiting(1);
        std::thread s(attempt, [&] {
            SaleBill b;
            b.date = QDate(2024, 3, 9);
            b.vipNo = "V1";
            b.stockId = 1;
            SaleLine l;
            l.itemId = 1;
            l.qty = 1;
            l.orderId = 1;
            l.orderEntryId = 1;
            b.addLine(l);
            SaleBillStore::save(cnstr, b, {}, 1);
        });
        waiting(2);
        holder->commit();
        holder.reset();
        r.join();
        s.join();
        // The sale either handed out before the move or was refused after it; never an
        // engine's deadlock message.
        for (const QString &f : failures)
            QCOMPARE(f, QStringLiteral("出库数量不允许大于剩余数量！"));
        QCOMPARE(countsOn(cnstr, "V1").first(), 0);
        QCOMPARE(db::scalar(cnstr, "select count(*) from ICStockBill where FVipNo<>'SOLD'").toInt() +
                     failures.size(),
                 2);
    }

    // A station keeps selling from the old card while another replaces it: every payment
    // lands before the replacement (and moves with it) or is refused after it.
    void replacementRacesSale()
    {
        TestDb t;
        const QString cnstr = t.cnstr();
        addMembers(cnstr);
        std::atomic<bool> replaced{false};
        std::atomic<int> paidAfter{0};
        auto sales = [&] {
            for (int i = 0; i < 40; ++i) {
                const bool after = replaced.load();
                db::Transaction tx(cnstr);
                StoredValueLedger::lockCard(tx, "V1");
                if (StoredValueLedger::balance(tx, "V1") < Money::fromInt(1))
                    continue;
                StoredValueMovement m;
                m.vipNo = "V1";
                m.date = QDate(2024, 3, 9);
                m.amount = Money::fromInt(1);
                StoredValueLedger::post(tx, m);
                tx.commit();
                if (after)
                    ++paidAfter;
            }
            db::closeAll();
        };
        auto replacement = [&] {
            QTest::qSleep(20);
            CardReplacement::replace(cnstr, "V1", "N9");
            replaced = true;
            db::closeAll();
        };
        std::thread a(sales), b(replacement);
        a.join();
        b.join();
        QCOMPARE(paidAfter.load(), 0);
        QCOMPARE(countsOn(cnstr, "V1"), (QList<int>{0, 0, 0}));
        Money end;
        for (const db::Row &r :
             db::query(cnstr, "select FBegAmount, FEndAmount from VipCzBill where FVipNo='N9' order by FInterID")) {
            QCOMPARE(r.money("FBegAmount"), end);
            end = r.money("FEndAmount");
        }
        QCOMPARE(StoredValueLedger::balance(cnstr, "N9"), end);
    }
};

QTEST_GUILESS_MAIN(tst_CardReplacement)
#include "tst_CardReplacement.moc"
