#include <optional>
#include <thread>

#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/Transaction.h"
#include "core/frame/CoreError.h"
#include "core/members/MemberDetails.h"

class tst_MemberDetails : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    void update_data()
    {
        QTest::addColumn<QString>("vipNo");
        QTest::addColumn<QString>("owner");
        QTest::addColumn<QString>("vipId");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("changed");
        QTest::newRow("every order of the card") << "V'1" << "O'Neil" << "ID'9" << "" << "" << 2;
        QTest::newRow("card without orders") << "V9" << "王五" << "ID9" << "" << "" << 0;
        QTest::newRow("no card") << "" << "王五" << "ID9" << "请输入会员卡号！" << "txtVipNo" << -1;
        QTest::newRow("no holder") << "V'1" << " " << "ID9" << "请输入持卡人！" << "txtOwner" << -1;
        QTest::newRow("no identity number") << "V'1" << "王五" << "" << "请输入身份证号！" << "txtCardID" << -1;
        // Counted in characters, as PostgreSQL's varchar(255) counts them: an emoji is one.
        QTest::newRow("longest holder") << "V'1" << QString(254, u'牛') + "🐄" << "ID9" << "" << "" << 2;
        QTest::newRow("holder too long") << "V'1" << QString(256, u'牛') << "ID9"
                                         << "输入的内容太长（最多255个字）！" << "txtOwner" << -1;
        QTest::newRow("identity number too long") << "V'1" << "王五" << QString(300, u'9')
                                                  << "输入的内容太长（最多255个字）！" << "txtCardID" << -1;
    }

    void update()
    {
        QFETCH(QString, vipNo);
        QFETCH(QString, owner);
        QFETCH(QString, vipId);
        QFETCH(QString, refusal);
        QFETCH(QString, field);
        QFETCH(int, changed);
        TestDb t;
        const char *order = "insert into VipOrder (FInterID, FVipNo, FOwner, FPhone, FVipID) values (?,?,?,?,?)";
        db::execute(t.cnstr(), order, {1, "V'1", "王五", "138", "ID1"});
        db::execute(t.cnstr(), order, {2, "V'1", "王五", "138", "ID1"});
        db::execute(t.cnstr(), order, {3, "V2", "赵六", "139", "ID2"});
        db::execute(t.cnstr(), "insert into VipCzBill (FVipNo, FOwner, FPhone, FTranType) values ('V''1', '王五', '138', 1)");
        try {
            QCOMPARE(MemberDetails::update(t.cnstr(), {vipNo, owner, "139'0", vipId}), changed);
            QVERIFY(refusal.isEmpty());
        } catch (const CoreError &e) {
            QCOMPARE(e.message(), refusal);
            QCOMPARE(e.field(), field);
            QCOMPARE(changed, -1);
        }
        const auto found = MemberDetails::find(t.cnstr(), "V'1");
        QVERIFY(found);
        const QStringList now{found->owner, found->phone, found->vipId};
        QCOMPARE(now, (changed == 2 ? QStringList{owner, "139'0", vipId} : QStringList{"王五", "138", "ID1"}));
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from VipOrder where FVipNo='V''1' and FOwner=?", {now[0]}).toInt(), 2);
        // The other card and the stored-value copy keep theirs.
        QCOMPARE(MemberDetails::find(t.cnstr(), "V2")->owner, QStringLiteral("赵六"));
        QCOMPARE(db::scalar(t.cnstr(), "select FOwner from VipCzBill").toString(), QStringLiteral("王五"));
        QVERIFY(!MemberDetails::find(t.cnstr(), ""));
    }

    // A sale holds the header of the card's order 1 and goes on to order 2 while the details
    // are changed at another station. Order 2 was written first, so its row comes first: the
    // change must not hold order 2 while it waits for order 1.
    void changeBesideASaleOfTwoOrders()
    {
        TestDb t;
        const QString c = t.cnstr();
        const char *order = "insert into VipOrder (FInterID, FVipNo, FOwner, FPhone, FVipID) values (?,?,?,?,?)";
        db::execute(c, order, {2, "V1", "王五", "138", "ID1"});
        db::execute(c, order, {1, "V1", "王五", "138", "ID1"});
        std::optional<db::Transaction> sale(std::in_place, c);
        sale->execute("update VipOrder set FClosed=coalesce(FClosed,0) where FInterID=1");
        QString failure, saleFailure;
        std::thread station([&] {
            failure = TestDb::refusalOf([&] { MemberDetails::update(c, {"V1", "赵六", "139", "ID1"}); });
            db::closeAll();
        });
        if (t.engine() == db::Engine::PostgreSQL) {
            for (int i = 0; i < 3000 && db::scalar(TestDb::postgresCnstr(),
                                                   "select count(*) from pg_locks where not granted")
                                                .toInt() < 1;
                 ++i)
                QTest::qWait(10);
            saleFailure = TestDb::refusalOf([&] {
                sale->execute("update VipOrder set FClosed=coalesce(FClosed,0) where FInterID=2");
            });
        }
        sale->commit();
        sale.reset();
        station.join();
        QCOMPARE(saleFailure, QString());
        QCOMPARE(failure, QString());
        QCOMPARE(db::scalar(c, "select count(*) from VipOrder where FOwner='赵六'").toInt(), 2);
    }
};

QTEST_GUILESS_MAIN(tst_MemberDetails)
#include "tst_MemberDetails.moc"
