#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/frame/Routines.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"

class tst_Routines : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    void periodLabels_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("season");
        QTest::addColumn<QString>("billMonth");
        QTest::newRow("jan") << QDate(2012, 1, 31) << "2012年01月" << "2012年1季度" << "2012年1月";
        QTest::newRow("mar") << QDate(2012, 3, 31) << "2012年03月" << "2012年1季度" << "2012年3月";
        QTest::newRow("apr") << QDate(2012, 4, 1) << "2012年04月" << "2012年2季度" << "2012年4月";
        QTest::newRow("sep") << QDate(2012, 9, 15) << "2012年09月" << "2012年3季度" << "2012年9月";
        QTest::newRow("oct") << QDate(2012, 10, 1) << "2012年10月" << "2012年4季度" << "2012年10月";
        QTest::newRow("dec") << QDate(2012, 12, 31) << "2012年12月" << "2012年4季度" << "2012年12月";
    }
    void periodLabels()
    {
        QFETCH(QDate, date);
        QFETCH(QString, month);
        QFETCH(QString, season);
        QFETCH(QString, billMonth);
        QCOMPARE(GetMonthName(date), month);
        QCOMPARE(GetSeasonName(date), season);
        QCOMPARE(GetBillMonthLabel(date), billMonth);
    }

    void hasGrant_data()
    {
        QTest::addColumn<bool>("manager");
        QTest::addColumn<QStringList>("grants");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("expected");
        QTest::newRow("manager without rows") << true << QStringList{} << "grant" << true;
        QTest::newRow("key in other case") << false << QStringList{"NewOrder=1"} << "neworder" << true;
        QTest::newRow("lower row, mixed ask") << false << QStringList{"orderhzb=1"} << "OrderHzb" << true;
        QTest::newRow("value 0") << false << QStringList{"NewSale=0"} << "newsale" << false;
        QTest::newRow("no row") << false << QStringList{"NewSale=1"} << "neworder" << false;
    }
    void hasGrant()
    {
        QFETCH(bool, manager);
        QFETCH(QStringList, grants);
        QFETCH(QString, key);
        QFETCH(bool, expected);
        TestDb t;
        t.addUser(7, "op", manager, 0, grants);
        t.login(7, "op");
        QCOMPARE(IsManager(), manager);
        QCOMPARE(HasGrant(key), expected);
    }

    void grantChangeTakesEffectAtOnce()
    {
        TestDb t;
        t.addUser(7, "op", false);
        t.login(7, "op");
        QVERIFY(!HasGrant("bk"));
        db::execute(t.cnstr(), "insert into t_user_grant (FUserID, FKey, FValue) values (7, 'bk', 1)");
        QVERIFY(HasGrant("bk"));
    }

    // N days back is refused, N-1 accepted; a refusal resets both dates to the server date.
    void queryDayLimit_data()
    {
        QTest::addColumn<int>("allowed");
        QTest::addColumn<int>("daysBack");
        QTest::addColumn<bool>("refused");
        QTest::newRow("7 back of 7") << 7 << 7 << true;
        QTest::newRow("6 back of 7") << 7 << 6 << false;
        QTest::newRow("30 back of 7") << 7 << 30 << true;
        QTest::newRow("1 allowed, today") << 1 << 0 << false;
        QTest::newRow("1 allowed, yesterday") << 1 << 1 << true;
        QTest::newRow("no limit") << 0 << 400 << false;
    }
    void queryDayLimit()
    {
        QFETCH(int, allowed);
        QFETCH(int, daysBack);
        QFETCH(bool, refused);
        TestDb t;
        t.addUser(3, "op", false, allowed);
        t.login(3, "op");
        ScriptedPrompts prompts;
        const QDateTime now = GetServerDate();
        QDateTime from = now.addDays(-daysBack), to = now.addDays(-1);
        QCOMPARE(ApplyQueryDayLimit(from, to, prompts), refused);
        if (refused) {
            QCOMPARE(prompts.texts(),
                     QStringList{QStringLiteral("您只允许查询最近%1天的数据!").arg(allowed)});
            QCOMPARE(prompts.shown.first().icon, Prompts::Icon::Exclamation);
            QCOMPARE(from.date(), now.date());
            QCOMPARE(to.date(), now.date());
        } else {
            QVERIFY(prompts.shown.isEmpty());
            QCOMPARE(from, now.addDays(-daysBack));
        }
        // The same on dates alone.
        QDate fromDay = now.date().addDays(-daysBack), toDay = now.date();
        QCOMPARE(ApplyQueryDayLimit(fromDay, toDay, prompts), refused);
        QCOMPARE(fromDay, refused ? now.date() : now.date().addDays(-daysBack));
    }

    void balanceAfterRechargesRefundAndPayments()
    {
        TestDb t;
        t.login(1, "m");
        const QString sql = "insert into VipCzBill (FVipNo, FTranType, FKAmount) values (?,?,?)";
        db::execute(t.cnstr(), sql, {"O'Neil", 1, 500.0});
        db::execute(t.cnstr(), sql, {"O'Neil", 1, 120.5});
        db::execute(t.cnstr(), sql, {"O'Neil", 1, -100.0}); // refund
        db::execute(t.cnstr(), sql, {"O'Neil", 2, 35.2});
        db::execute(t.cnstr(), sql, {"O'Neil", 2, 15.3});
        db::execute(t.cnstr(), sql, {"other", 1, 999.0});
        QCOMPARE(GetVipCzBal("O'Neil"), Money::fromInt(470));
        QCOMPARE(GetVipCzBal("nobody"), Money());
        // Binary sums come back exact, and the walk-in rows are nobody's balance.
        db::execute(t.cnstr(), sql, {"sum", 1, 1.10});
        db::execute(t.cnstr(), sql, {"sum", 1, 2.20});
        db::execute(t.cnstr(), sql, {"", 1, 50.0});
        QCOMPARE(GetVipCzBal("sum"), Money::fromCents(330));
        QCOMPARE(GetVipCzBal(""), Money());
    }

    void navBillId()
    {
        TestDb t;
        t.login(1, "m");
        for (int i = 0; i < 3; ++i)
            db::execute(t.cnstr(), "insert into VipCzBill (FVipNo, FTranType, FKAmount) values ('a', 1, 1)");
        db::execute(t.cnstr(), "insert into VipCzBill (FVipNo, FTranType, FKAmount) values ('a', 2, 1)");
        const QList<int> ids = [&] {
            QList<int> l;
            for (const db::Row &r : db::query(t.cnstr(), "select FInterID from VipCzBill where FTranType=1 order by FInterID"))
                l << r.integer("FInterID");
            return l;
        }();
        QCOMPARE(ids.size(), 3);
        QCOMPARE(GetNavBillID(1, 0, true), ids[2]);   // new bill: newest either way
        QCOMPARE(GetNavBillID(1, 0, false), ids[2]);
        QCOMPARE(GetNavBillID(1, ids[1], false), ids[0]);
        QCOMPARE(GetNavBillID(1, ids[1], true), ids[2]);
        for (auto [current, forward] : {std::pair{ids[0], false}, std::pair{ids[2], true}}) {
            try {
                GetNavBillID(1, current, forward);
                QFAIL("expected 无记录！");
            } catch (const db::DbError &e) {
                QCOMPARE(e.message(), QStringLiteral("无记录！"));
                QCOMPARE(e.number(), 1001);
            }
        }
    }
};

QTEST_GUILESS_MAIN(tst_Routines)
#include "tst_Routines.moc"
