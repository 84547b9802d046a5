#include <thread>

#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/Schema.h"
#include "core/db/Transaction.h"
#include "core/members/StoredValueLedger.h"
#include "core/print/PrintTemplate.h"
#include "core/print/TemplateStore.h"

// The document stores and the stored-value ledger against a real account set.
class tst_Documents : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

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
        QCOMPARE(TestDb::dump(cnstr, "select count(*) from VipCzBill"), QString::number(2 * each));
        const Money left = Money::fromCents(2 * 10000 - 2 * (each - 1) * 110);
        QCOMPARE(TestDb::movementChain(cnstr, "V1"), left.format());
        QCOMPARE(StoredValueLedger::balance(cnstr, "V1"), left);
    }

    // An account set written before quantities defaulted to 0 and templates were unique.
    void upgradeFillsQuantitiesAndMergesTemplates()
    {
        TestDb t;
        db::execute(
            t.cnstr(),
            "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty)"
            " values (1, 1, 1, 10, null, null)");
        db::execute(t.cnstr(), "drop index ux_tdbill_type_name");
        for (const char *tmpl : {"first", "second"})
            db::execute(
                t.cnstr(),
                "insert into TDBill (FTranType, FTDBillName, FTemplate) values (1002, ?, ?)",
                {QStringLiteral("标准格式"), QLatin1String(tmpl)});
        db::execute(t.cnstr(), "update t_SchemaVersion set FVersion=3");
        db::Schema::ensure(t.cnstr());
        QCOMPARE(db::Schema::version(t.cnstr()), db::Schema::CurrentVersion);
        db::execute(t.cnstr(),
                    "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty) values"
                    " (1, 2, 1, 5)");
        QCOMPARE(TestDb::dump(t.cnstr(), "select FPreQty, FCplQty from VipOrderEntry"), "0,0;0,0");
        QCOMPARE(TestDb::dump(t.cnstr(), "select FTemplate from TDBill where FTranType=1002"),
                 "first");
        // Saving the same name twice keeps one template, the newer text.
        TemplateStore::save(t.cnstr(), 1002, QStringLiteral("标准格式"), PrintTemplate());
        TemplateStore::save(t.cnstr(), 1002, QStringLiteral("标准格式"), PrintTemplate());
        QVERIFY(TestDb::dump(t.cnstr(), "select FTemplate from TDBill") != "first");
    }
};

QTEST_GUILESS_MAIN(tst_Documents)
#include "tst_Documents.moc"
