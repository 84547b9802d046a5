#include <optional>
#include <thread>

#include <QtTest>

#include "MemberFixtures.h"
#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/Transaction.h"
#include "core/members/MemberDetails.h"

// The holder's details changed on every order of a card, against a real account set.
class tst_MemberDetails : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }
    // Every case, and every row of a table, on an account set of its own.
    void init() { t.emplace(); c = t->cnstr(); }
    void cleanup() { t.reset(); }

    // A holder's details changed on every order of the card; a refusal changes nothing.
    void update_data()
    {
        QTest::addColumn<QString>("vipNo");
        QTest::addColumn<QString>("owner");
        QTest::addColumn<QString>("vipId");
        QTest::addColumn<QString>("outcome"); // orders changed, or "refusal @ field"
        // clang-format off
        QTest::newRow("every order of the card") << "V'1" << "O'Neil" << "ID'9" << "2";
        QTest::newRow("card without orders") << "V9" << "王五" << "ID9" << "0";
        QTest::newRow("no card") << "" << "王五" << "ID9" << "请输入会员卡号！ @ txtVipNo";
        QTest::newRow("no holder") << "V'1" << " " << "ID9" << "请输入持卡人！ @ txtOwner";
        QTest::newRow("no identity number") << "V'1" << "王五" << "" << "请输入身份证号！ @ txtCardID";
        // Counted in characters, as PostgreSQL's varchar(255) counts them: an emoji is one.
        QTest::newRow("longest holder") << "V'1" << QString(254, u'牛') + "🐄" << "ID9" << "2";
        QTest::newRow("holder too long") << "V'1" << QString(256, u'牛') << "ID9" << "输入的内容太长（最多255个字）！ @ txtOwner";
        // clang-format on
    }
    void update()
    {
        QFETCH(QString, vipNo);
        QFETCH(QString, owner);
        QFETCH(QString, vipId);
        QFETCH(QString, outcome);
        TestDb::insert(c, "VipOrder (FInterID, FVipNo, FOwner, FPhone, FVipID)",
                       {{1, "V'1", "王五", "138", "ID1"}, {2, "V'1", "王五", "138", "ID1"},
                        {3, "V2", "赵六", "138", "ID2"}});
        TestDb::insert(c, "VipCzBill (FVipNo, FOwner, FPhone, FTranType)", {{"V'1", "王五", "138", 1}});
        int changed = 0;
        const QString refusal = TestDb::refusalAt(
            [&] { changed = MemberDetails::update(c, {vipNo, owner, "139'0", vipId}); });
        QCOMPARE(refusal.isEmpty() ? QString::number(changed) : refusal, outcome);
        // Both orders of the card changed, or neither; the other card and the stored-value copy
        // keep theirs.
        const QString now = outcome == "2" ? owner + ",139'0," + vipId : "王五,138,ID1";
        QCOMPARE(TestDb::dump(c, "select FOwner, FPhone, FVipID from VipOrder order by FInterID") +
                     " " + TestDb::dump(c, "select FOwner from VipCzBill"),
                 now + ";" + now + ";赵六,138,ID2 王五");
    }

    // A sale holds the header of the card's order 1 and goes on to order 2 while the details
    // are changed at another station. Order 2 was written first, so its row comes first: the
    // change must not hold order 2 while it waits for order 1.
    void changeBesideASaleOfTwoOrders()
    {
        TestDb::insert(c, "VipOrder (FInterID, FVipNo, FOwner, FPhone, FVipID)",
                       {{2, "V1", "王五", "138", "ID1"}, {1, "V1", "王五", "138", "ID1"}});
        std::optional<db::Transaction> sale(std::in_place, c);
        const QString touch = "update VipOrder set FClosed=coalesce(FClosed,0) where FInterID=?";
        sale->execute(touch, {1});
        QString failure, saleFailure;
        std::thread station([&] {
            failure = TestDb::refusalOf([&] {
                MemberDetails::update(c, {"V1", "赵六", "139", "ID1"});
            });
            db::closeAll();
        });
        if (t->engine() == db::Engine::PostgreSQL) {
            waitForBlocked(*t, 1);
            saleFailure = TestDb::refusalOf([&] { sale->execute(touch, {2}); });
        }
        sale->commit();
        sale.reset();
        station.join();
        QCOMPARE(saleFailure, QString());
        QCOMPARE(failure, QString());
        QCOMPARE(TestDb::dump(c, "select count(*) from VipOrder where FOwner=?", {"赵六"}), "2");
    }

private:
    std::optional<TestDb> t;
    QString c;
};

QTEST_GUILESS_MAIN(tst_MemberDetails)
#include "tst_MemberDetails.moc"
