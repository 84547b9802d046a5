#include <thread>

#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/Schema.h"
#include "core/db/Transaction.h"
#include "core/members/StoredValueLedger.h"
#include "core/orders/MemberOrder.h"
#include "core/orders/MemberOrderStore.h"
#include "core/pos/SaleBill.h"
#include "core/pos/SaleBillStore.h"
#include "core/print/PrintTemplate.h"
#include "core/print/TemplateStore.h"

// The document stores and the stored-value ledger against a real account set.
class tst_Documents : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // Every card of the demo set: each movement begins where the one before it ended, in the
    // order written and in date order alike, and the last one ends at the balance.
    void demoLedgerChains()
    {
        TestDb t(TestDb::Content::Demo);
        const db::Rows cards = db::query(t.cnstr(), "select distinct FVipNo from VipCzBill where FVipNo<>''");
        QVERIFY(cards.size() >= 4);
        for (const db::Row &card : cards) {
            const QString vipNo = card.text("FVipNo");
            for (const char *order : {"FInterID", "FDate, FCreateTime, FInterID"}) {
                Money end;
                for (const db::Row &r : db::query(t.cnstr(),
                                                  QStringLiteral("select FBegAmount, FEndAmount from VipCzBill"
                                                                 " where FVipNo=? order by %1").arg(QLatin1String(order)),
                                                  {vipNo})) {
                    QCOMPARE(r.money("FBegAmount"), end);
                    end = r.money("FEndAmount");
                }
                QCOMPARE(end, StoredValueLedger::balance(t.cnstr(), vipNo));
            }
        }
        // The recharge of V0002 ten days ago starts from 500 less the order's 180.
        const db::Rows r = db::query(t.cnstr(), "select FBegAmount, FEndAmount, FKAmount, FCzAmount, FZsAmount,"
                                                " FYear, FMonth from VipCzBill where FVipNo='V0002' and FRemark=?",
                                     {QStringLiteral("续充")});
        QCOMPARE(r.size(), 1);
        QCOMPARE((QList<Money>{r[0].money("FBegAmount"), r[0].money("FEndAmount"), r[0].money("FKAmount"),
                               r[0].money("FCzAmount"), r[0].money("FZsAmount")}),
                 (QList<Money>{Money::fromInt(320), Money::fromInt(540), Money::fromInt(220),
                               Money::fromInt(200), Money::fromInt(20)}));
    }

    void storesWriteTheDocument()
    {
        TestDb t;
        SaleBill bill;
        bill.date = QDate(2024, 3, 9);
        bill.vipNo = "O'Neil";
        bill.owner = "O'Neil";
        bill.stockId = 2;
        bill.add(3, "x", 2, Money::fromInt(30), 6);
        bill.add(1, "y", 1.5, Money::parse("1.15"));
        SaleLine pick;
        pick.itemId = 4;
        pick.qty = 3;
        pick.price1 = Money::fromInt(10);
        pick.amount1 = Money::fromInt(30);
        pick.orderId = 9;
        pick.orderEntryId = 2;
        bill.addLine(pick);
        MemberOrder order;
        order.date = bill.date;
        order.vipNo = "O'Neil";
        order.lines = {{1, 10, 2, 0, Money::fromInt(12), QDate(2024, 5, 8)}, {2, 5, 0, 5, Money::parse("3.30"), QDate()}};
        int billId = 0, orderId = 0;
        {
            db::Transaction tx(t.cnstr());
            billId = SaleBillStore::insert(tx, bill, {Money::parse("41.73"), Money::fromInt(20)}, 7);
            orderId = MemberOrderStore::insert(tx, order, Money::fromInt(100), Money::parse("36.50"), 7);
            tx.commit();
        }
        QCOMPARE(billId, 1);
        QCOMPARE(orderId, 1);
        const db::Row h = db::query(t.cnstr(), "select * from ICStockBill").first();
        QCOMPARE((QStringList{h.text("FTrantype"), h.text("Fyear"), h.text("FPeriod"), h.text("FMonth"),
                              h.text("FVipNo"), h.text("FBillerID")}),
                 (QStringList{"99", "2024", "3", "2024年3月", "O'Neil", "7"}));
        QCOMPARE(h.date("Fdate"), QDate(2024, 3, 9));
        QCOMPARE((QList<Money>{h.money("FSumAmount"), h.money("FGetReserve"), h.money("FGetCash")}),
                 (QList<Money>{Money::fromCents(6173), Money::fromInt(20), Money::fromCents(4173)}));
        QCOMPARE(h.number("FSumQty"), 16.5);
        const db::Rows lines = db::query(t.cnstr(), "select * from ICStockBillEntry order by FEntryID");
        QCOMPARE(lines.size(), 3);
        QCOMPARE((QList<Money>{lines[0].money("FPrice"), lines[0].money("FAmount"), lines[1].money("FAmount"),
                               lines[2].money("FBeforeZkAmount")}),
                 (QList<Money>{Money::fromInt(30), Money::fromInt(60), Money::fromCents(173), Money::fromInt(30)}));
        QCOMPARE((QList<int>{lines[0].integer("FMainQty"), lines[2].integer("FOrderBillInterID"),
                             lines[2].integer("FOrderBillEntryID"), lines[2].integer("FOutStockID")}),
                 (QList<int>{1, 9, 2, 2}));
        const db::Row o = db::query(t.cnstr(), "select * from VipOrder").first();
        QCOMPARE((QList<Money>{o.money("FSumAmount"), o.money("FGetCash"), o.money("FGetReserve")}),
                 (QList<Money>{Money::parse("136.50"), Money::fromInt(100), Money::parse("36.50")}));
        QCOMPARE(o.integer("FSumQty"), 17);
        QCOMPARE(o.integer("FClosed"), 0);
        const db::Rows ol = db::query(t.cnstr(), "select FYxq from VipOrderEntry order by FEntryID");
        QCOMPARE(ol[0].date("FYxq"), QDate(2024, 5, 8));
        QVERIFY(ol[1].isNull("FYxq"));
    }

    // Two stations paying from one card at once: the begin and end balances still chain.
    void ledgerRace()
    {
        TestDb t;
        const QString cnstr = t.cnstr();
        const int each = 25;
        auto station = [cnstr] {
            for (int i = 0; i < each; ++i) {
                db::Transaction tx(cnstr);
                StoredValueMovement m;
                m.vipNo = "V1";
                m.type = i == 0 ? StoredValueMovement::Recharge : StoredValueMovement::Payment;
                m.date = QDate(2024, 3, 9);
                m.amount = Money::fromCents(i == 0 ? 10000 : 110);
                StoredValueLedger::post(tx, m);
                tx.commit();
            }
            db::closeAll();
        };
        std::thread a(station), b(station);
        a.join();
        b.join();
        Money end;
        const db::Rows rows = db::query(cnstr, "select FBegAmount, FEndAmount from VipCzBill order by FInterID");
        QCOMPARE(rows.size(), 2 * each);
        for (const db::Row &r : rows) {
            QCOMPARE(r.money("FBegAmount"), end);
            end = r.money("FEndAmount");
        }
        QCOMPARE(end, Money::fromCents(2 * 10000 - 2 * (each - 1) * 110));
        QCOMPARE(StoredValueLedger::balance(cnstr, "V1"), end);
    }

    // An account set written before quantities defaulted to 0 and templates were unique.
    void upgradeFillsQuantitiesAndMergesTemplates()
    {
        TestDb t;
        db::execute(t.cnstr(), "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty)"
                               " values (1, 1, 1, 10, null, null)");
        db::execute(t.cnstr(), "drop index ux_tdbill_type_name");
        for (const char *tmpl : {"first", "second"})
            db::execute(t.cnstr(), "insert into TDBill (FTranType, FTDBillName, FTemplate) values (1002, ?, ?)",
                        {QStringLiteral("标准格式"), QLatin1String(tmpl)});
        db::execute(t.cnstr(), "update t_SchemaVersion set FVersion=3");
        db::Schema::ensure(t.cnstr());
        QCOMPARE(db::Schema::version(t.cnstr()), db::Schema::CurrentVersion);
        db::execute(t.cnstr(), "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty) values (1, 2, 1, 5)");
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from VipOrderEntry where FPreQty=0 and FCplQty=0").toInt(), 2);
        const db::Rows tds = db::query(t.cnstr(), "select FTemplate from TDBill where FTranType=1002");
        QCOMPARE(tds.size(), 1);
        QCOMPARE(tds[0].text("FTemplate"), QStringLiteral("first"));
        // Saving the same name twice keeps one template, the newer text.
        TemplateStore::save(t.cnstr(), 1002, QStringLiteral("标准格式"), PrintTemplate());
        TemplateStore::save(t.cnstr(), 1002, QStringLiteral("标准格式"), PrintTemplate());
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from TDBill where FTranType=1002").toInt(), 1);
        QVERIFY(db::scalar(t.cnstr(), "select FTemplate from TDBill").toString() != QStringLiteral("first"));
    }
};

QTEST_GUILESS_MAIN(tst_Documents)
#include "tst_Documents.moc"
