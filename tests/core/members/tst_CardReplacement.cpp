#include <atomic>
#include <optional>
#include <thread>

#include <QtTest>

#include "MemberFixtures.h"
#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/Transaction.h"
#include "core/members/CardNumbers.h"
#include "core/members/CardHolders.h"
#include "core/members/CardReplacement.h"
#include "core/members/MemberDetails.h"
#include "core/members/RechargeBill.h"
#include "core/members/StoredValueLedger.h"
#include "core/orders/OrderDraft.h"
#include "core/pos/MemberOrders.h"
#include "core/pos/SaleBill.h"
#include "core/pos/SaleBillStore.h"

// Card replacement against a real account set: what moves, what is refused, and the stations
// that save on the old number meanwhile.
class tst_CardReplacement : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }
    // Every case, and every row of a table, on an account set of its own.
    void init() { t.emplace(); c = t->cnstr(); }
    void cleanup() { t.reset(); }

    // A holder's cards by identity number; none for an empty, unknown or quoted number. A
    // replacement moves everything of the card; a refused or failed one nothing. `between`
    // runs after the cashier's check and before the replacement.
    void replace_data()
    {
        QTest::addColumn<QString>("oldNo");
        QTest::addColumn<QString>("newNo");
        QTest::addColumn<QString>("between");
        QTest::addColumn<QString>("outcome");
        const QString used = "新的会员卡号已经被使用！ @ txtNewVipNo";
        const QString none;
        // clang-format off
        QTest::newRow("free number") << "V1" << "N'9" << none << "";
        QTest::newRow("number only in sales") << "V1" << "SOLD" << none << used;
        QTest::newRow("no old card") << "" << "N9" << none << "请输入身份证号！ @ txtID";
        QTest::newRow("no new number") << "V1" << " " << none << "请输入新的卡号！ @ txtNewVipNo";
        QTest::newRow("number given out after the check") << "V1" << "N9" << "give out" << used;
        QTest::newRow("sale bills refuse to move") << "V1" << "N9" << "fail update ICStockBill" << "failure: forced failure";
        QTest::newRow("old card holds nothing") << "GONE" << "N9" << none << "原来卡号已不存在，请重新输入身份证号！ @ cmbVipNo";
        // clang-format on
    }
    void replace()
    {
        QFETCH(QString, oldNo);
        QFETCH(QString, newNo);
        QFETCH(QString, between);
        QFETCH(QString, outcome);
        addMembers(c);
        const CardReplacement::Holder h = CardReplacement::cards(c, "ID1");
        QCOMPARE(h.owner + ": " + h.cards.join(','), QStringLiteral("王五: V'2,V1"));
        for (const char *id : {"", "ID9", "' or '1'='1"})
            QVERIFY(CardReplacement::cards(c, id).cards.isEmpty());
        QString field;
        QString got = TestDb::refusalOf([&] { CardReplacement::check(c, oldNo, newNo); }, &field);
        if (got.isEmpty()) {
            if (between.startsWith("fail "))
                t->failOn(between.section(' ', 1, 1), between.section(' ', 2));
            else if (!between.isEmpty()) // another station charges the new number first
                TestDb::insert(c, "VipCzBill (FVipNo, FTranType, FKAmount)", {{newNo, 1, 5}});
            got = TestDb::refusalOf([&] { CardReplacement::replace(c, oldNo, newNo); }, &field);
        }
        const QString shown = field.isEmpty() ? got : got + " @ " + field;
        if (outcome.startsWith("failure"))
            QVERIFY2(shown.startsWith("failure: ") && shown.contains("forced failure"),
                     qPrintable(shown));
        else
            QCOMPARE(shown, outcome);
        QCOMPARE(countsOn(c, "V1"), outcome.isEmpty() ? "0,0,0" : "2,1,1");
        QCOMPARE(countsOn(c, "V'2"), "1,0,0");
        if (outcome.isEmpty())
            QCOMPARE(countsOn(c, newNo), "2,1,1");
    }

    // Two stations replace the same lost card from the same list: one moves everything, the
    // other is refused instead of handing out an empty card.
    void twoReplacementsOfOneCard()
    {
        addMembers(c);
        int moved[2] = {0, 0};
        QString refused[2];
        auto replace = [&](int i, const QString &newNo) {
            refused[i] =
                TestDb::refusalOf([&] { moved[i] = CardReplacement::replace(c, "V1", newNo); });
            db::closeAll();
        };
        std::thread a(replace, 0, QStringLiteral("N8")), b(replace, 1, QStringLiteral("N9"));
        a.join();
        b.join();
        QCOMPARE(moved[0] + moved[1], 4);
        QCOMPARE(refused[0] + refused[1],
                 CardNumbers::replacedMessage(refused[0].isEmpty() ? "N8" : "N9"));
        // Everything on the one that went through, nothing split between the two.
        QCOMPARE(countsOn(c, "N8") + " " + countsOn(c, "N9"),
                 refused[0].isEmpty() ? "2,1,1 0,0,0" : "0,0,0 2,1,1");
    }

    // A station hands out from the old card's order while the card is replaced: the sale
    // holds the order's header and waits for the card, the replacement must not hold the card
    // and wait for the header. Another connection holds the card until both are queued on it,
    // the replacement first.
    void replacementRacesPickup()
    {
        addMembers(c);
        TestDb::insert(c, "t_stock (FItemID, FName)", {{1, "门店"}});
        TestDb::insert(c, "VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty, FAmount)",
                       {{1, 1, 1, 5, 0, 0, 15}});
        QString replaceFailure, saleRefusal;
        std::optional<db::Transaction> holder(std::in_place, c);
        StoredValueLedger::lockCard(*holder, "V1");
        std::thread r([&] {
            replaceFailure = TestDb::refusalOf([&] { CardReplacement::replace(c, "V1", "N9"); });
            db::closeAll();
        });
        waitForBlocked(*t, 1);
        std::thread s([&] {
            SaleBill b;
            b.date = QDate(2024, 3, 9);
            b.vipNo = "V1";
            b.stockId = 1;
            SaleLine l; // a pick-up of 1 unit of order line (1, 1)
            l.itemId = l.orderId = l.orderEntryId = 1;
            l.qty = 1;
            b.addLine(l);
            saleRefusal = TestDb::refusalOf([&] { SaleBillStore::save(c, b, {}, 1); });
            db::closeAll();
        });
        waitForBlocked(*t, 2);
        holder->commit();
        holder.reset();
        r.join();
        s.join();
        // The sale either handed out before the move or was refused after it; never an
        // engine's deadlock message.
        QCOMPARE(replaceFailure, QString());
        QVERIFY2(saleRefusal.isEmpty() || saleRefusal == CardNumbers::replacedMessage("N9"),
                 qPrintable(saleRefusal));
        QVERIFY(countsOn(c, "V1").startsWith("0,"));
        QCOMPARE(TestDb::dump(c, "select count(*) from ICStockBill where FVipNo<>?", {"SOLD"}),
                 saleRefusal.isEmpty() ? "2" : "1");
    }

    // A station keeps saving on the old card while another replaces it: every sale, recharge
    // or order lands before the replacement (and moves with it) or is refused after it,
    // naming the new card; nothing is left on the old number.
    void replacementRaces_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("sale") << "sale";
        QTest::newRow("recharge") << "recharge";
        QTest::newRow("order") << "order";
    }
    void replacementRaces()
    {
        QFETCH(QString, kind);
        addMembers(c);
        std::atomic<bool> replaced{false};
        std::atomic<int> savedAfter{0};
        QStringList odd;
        auto saves = [&] {
            for (int i = 0; i < 40; ++i) {
                const bool after = replaced.load();
                const QString refusal =
                    kind == "sale"       ? saleOf(c, "V1", Money::fromInt(1))
                    : kind == "recharge" ? TestDb::refusalAt([&] {
                          RechargeBill::save(c, bill("V1", false, Money::fromInt(1)));
                      })
                                         : orderOf(c, "V1");
                if (refusal.isEmpty() && after)
                    ++savedAfter;
                else if (!refusal.isEmpty() && refusal != CardNumbers::replacedMessage("N9") + " @ txtVipNo")
                    odd << refusal;
            }
            db::closeAll();
        };
        auto replacement = [&] {
            QTest::qSleep(20);
            CardReplacement::replace(c, "V1", "N9");
            replaced = true;
            db::closeAll();
        };
        std::thread a(saves), b(replacement);
        a.join();
        b.join();
        QVERIFY2(odd.isEmpty(), qPrintable(odd.value(0)));
        QCOMPARE(savedAfter.load(), 0);
        QCOMPARE(countsOn(c, "V1"), "0,0,0");
        QCOMPARE(TestDb::movementChain(c, "N9"), StoredValueLedger::balance(c, "N9").format());
    }

    // V1 replaced by N8, N8 by N9 (typed with blanks): every save and lookup naming V1 says
    // where the card went and writes nothing; the replacements are recorded, and V1 is never
    // handed out again. The new number works, blanks and all.
    void replacedNumberRefused()
    {
        addMembers(c);
        CardReplacement::replace(c, "V1", "N8", 7);
        CardReplacement::replace(c, " N8 ", "N9 ", 8);
        QCOMPARE(TestDb::dump(c, "select FOldVipNo, FNewVipNo, FUserID from t_VipCardReplaced"
                                 " order by FUserID"),
                 "V1,N8,7;N8,N9,8");
        const QString said = CardNumbers::replacedMessage("N9");
        const QString before = countsOn(c, "V1") + " " + countsOn(c, "N9");
        QCOMPARE(before, "0,0,0 2,1,1");
        const std::function<void()> uses[] = {
            [&] { RechargeBill::save(c, bill(" V1", false, Money::fromInt(10))); },
            [&] { QCOMPARE(saleOf(c, "V1 "), said + " @ txtVipNo"); throw CoreError::refusal(said); },
            [&] { QCOMPARE(orderOf(c, "V1"), said + " @ txtVipNo"); throw CoreError::refusal(said); },
            [&] { MemberDetails::update(c, {"V1", "王五", "138", "ID1"}); },
            [&] { CardReplacement::replace(c, "V1", "N7"); },
            [&] { CardHolders::find(c, "V1"); },
            [&] { CardHolders::find(c, "V1", CardHolders::Search::OrdersOnly); },
            [&] { CardHolders::find(c, "V1", CardHolders::Search::NumberOrPhone); },
            [&] { MemberOrders::lookup(c, " V1", QDate(2024, 3, 9)); },
            [&] { OrderDraft::member(c, "V1"); },
        };
        for (const auto &use : uses)
            QCOMPARE(TestDb::refusalOf(use), said);
        QCOMPARE(countsOn(c, "V1") + " " + countsOn(c, "N9"), before);
        QCOMPARE(TestDb::refusalAt([&] { CardReplacement::check(c, "V'2", "V1"); }),
                 "新的会员卡号已经被使用！ @ txtNewVipNo");
        RechargeBill::save(c, bill(" N9 ", false, Money::fromInt(10)));
        QCOMPARE(saleOf(c, "N9\t", Money::fromInt(5)), QString());
        QCOMPARE(countsOn(c, "N9"), "2,3,2");
        QCOMPARE(StoredValueLedger::balance(c, " N9"), Money::fromInt(105));
    }

private:
    std::optional<TestDb> t;
    QString c;
};

QTEST_GUILESS_MAIN(tst_CardReplacement)
#include "tst_CardReplacement.moc"
