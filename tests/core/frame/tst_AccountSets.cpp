#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/demo/DemoData.h"
#include "core/frame/AccountSets.h"
#include "core/frame/Authenticator.h"
#include "core/frame/PasswordHash.h"

class tst_AccountSets : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    void login_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("userId"); // 0: refused
        QTest::newRow("manager") << QString(DemoData::ManagerName)
                                 << QString(DemoData::ManagerPassword) << 1;
        QTest::newRow("wrong password") << "收银员" << "8888" << 0;
        QTest::newRow("quote") << "店长' or '1'='1" << "8888" << 0;
    }
    void login()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(int, userId);
        TestDb t(TestDb::Content::Demo);
        const auto op = Authenticator::verify(t.cnstr(), user, password);
        QCOMPARE(op.has_value(), userId != 0);
        if (op)
            QCOMPARE(op->userId, userId);
    }

    // The stored form is a salted hash, and a missing one lets nobody in.
    void passwordHashes()
    {
        const QString h = PasswordHash::hash("s3cret");
        QVERIFY(h.startsWith("$argon2id$") && PasswordHash::verify(h, "s3cret"));
        QVERIFY(!PasswordHash::verify(QString(), ""));
    }

    void demoAccountSetIsListedOnce()
    {
        TestDb t; // fresh config and data folders
        QVERIFY(AccountSets::list().isEmpty());
        AccountSets::ensureDemo();
        AccountSets::ensureDemo();
        QCOMPARE(AccountSets::list().size(), 1);
        QCOMPARE(AccountSets::list().first().name, QStringLiteral("演示帐套"));
        const QString cnstr = AccountSets::cnstrOf(QStringLiteral("演示帐套"));
        QVERIFY(db::scalar(cnstr, "select count(*) from t_icitem").toInt() >= 8);
        QCOMPARE(AccountSets::cnstrOf(QStringLiteral("其他")), QString());
        db::closeAll();
    }

    void demoDataIsConsistent()
    {
        TestDb t(TestDb::Content::Demo);
        const QString c = t.cnstr();
        // Every movement's closing balance equals its opening plus or minus the amount.
        for (const db::Row &r : db::query(c, "select * from VipCzBill")) {
            const double sign = r.integer("FTranType") == 1 ? 1 : -1;
            QCOMPARE(r.number("FEndAmount"), r.number("FBegAmount") + sign * r.number("FKAmount"));
        }
        // Handed-out quantities of the demo orders match the demo sales.
        const QString sold = "select sum(FQty) from ICStockBillEntry where FOrderBillInterID<>0";
        const QString handedOut = "select sum(FCplQty) from VipOrderEntry e inner join VipOrder o"
                                  " on o.FInterID=e.FInterID where coalesce(o.FClosed,0)=0";
        QCOMPARE(TestDb::dump(c, sold), TestDb::dump(c, handedOut));
    }
};

QTEST_GUILESS_MAIN(tst_AccountSets)
#include "tst_AccountSets.moc"
