#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/db/Database.h"
#include "core/demo/DemoData.h"
#include "core/frame/AccountSets.h"
#include "core/frame/Authenticator.h"
#include "core/frame/PasswordHash.h"
#include "core/frame/Routines.h"
#include "core/frame/UserGrants.h"
#include "core/members/StoredValueLedger.h"

namespace {

QMap<QString, bool> allOff()
{
    QMap<QString, bool> m;
    for (const UserGrants::Right &r : UserGrants::rights())
        m.insert(r.key, false);
    return m;
}

} // namespace

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
        // clang-format off
        QTest::newRow("mar") << QDate(2012, 3, 31) << "2012年03月" << "2012年1季度" << "2012年3月";
        QTest::newRow("oct") << QDate(2012, 10, 1) << "2012年10月" << "2012年4季度" << "2012年10月";
        // clang-format on
    }
    void periodLabels()
    {
        QFETCH(QDate, date);
        QFETCH(QString, month);
        QFETCH(QString, season);
        QFETCH(QString, billMonth);
        QCOMPARE(GetMonthName(date) + GetSeasonName(date) + GetBillMonthLabel(date),
                 month + season + billMonth);
    }

    // A right is read afresh each time, so a change takes effect at once.
    void hasGrant_data()
    {
        QTest::addColumn<bool>("manager");
        QTest::addColumn<QStringList>("grants");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("expected");
        // clang-format off
        QTest::newRow("manager without rows") << true << QStringList{} << "grant" << true;
        QTest::newRow("key in other case") << false << QStringList{"NewOrder=1"} << "neworder" << true;
        QTest::newRow("value 0") << false << QStringList{"NewSale=0"} << "newsale" << false;
        QTest::newRow("no row") << false << QStringList{"NewSale=1"} << "neworder" << false;
        // clang-format on
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
        TestDb::insert(t.cnstr(), "t_user_grant (FUserID, FKey, FValue)", {{7, "bk", 1}});
        QVERIFY(HasGrant("bk"));
    }

    // N days back is refused, N-1 accepted; a refusal resets both dates to the server date.
    void queryDayLimit_data()
    {
        QTest::addColumn<int>("allowed");
        QTest::addColumn<int>("daysBack");
        QTest::addColumn<bool>("refused");
        // clang-format off
        QTest::newRow("7 back of 7") << 7 << 7 << true;
        QTest::newRow("6 back of 7") << 7 << 6 << false;
        QTest::newRow("no limit") << 0 << 400 << false;
        // clang-format on
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

    // Recharges less refunds and payments; binary sums come back exact, and the walk-in
    // rows are nobody's balance.
    void balanceAfterRechargesRefundAndPayments()
    {
        TestDb t;
        t.login(1, "m");
        TestDb::insert(t.cnstr(), "VipCzBill (FVipNo, FTranType, FKAmount)",
                       {{"O'Neil", 1, 500}, {"O'Neil", 1, 120.5}, {"O'Neil", 1, -100},
                        {"O'Neil", 2, 35.2}, {"O'Neil", 2, 15.3}, {"other", 1, 999},
                        {"sum", 1, 1.10}, {"sum", 1, 2.20}, {"", 1, 50}});
        const auto balance = [&](const QString &card) { return StoredValueLedger::balance(t.cnstr(), card); };
        QCOMPARE((QList<Money>{balance("O'Neil"), balance("nobody"), balance("sum"), balance(" sum "),
                               balance("")}),
                 (QList<Money>{Money::fromInt(470), Money(), Money::fromCents(330), Money::fromCents(330),
                               Money()}));
    }

    // The rights form reads an operator's rows.
    void grantsLoad_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("ticked");
        // clang-format off
        QTest::newRow("keys in other case") << QStringList{"neworder=1", "ORDERHZB=1", "orderadjitem=1"} << QStringList{"NewOrder", "OrderAdjItem", "OrderHzb"};
        QTest::newRow("value 0 clears") << QStringList{"bk=0", "yyrbb=1"} << QStringList{"yyrbb"};
        QTest::newRow("unknown keys ignored") << QStringList{"deletebill=1", "grant=1", "salemxb=1"} << QStringList{"salemxb"};
        QTest::newRow("any non-zero grants") << QStringList{"EditOrderYxq=2"} << QStringList{"EditOrderYxq"};
        // clang-format on
    }
    void grantsLoad()
    {
        QFETCH(QStringList, rows);
        QFETCH(QStringList, ticked);
        TestDb t;
        t.addUser(5, QStringLiteral("张三"), false, 0, rows);
        t.addUser(6, QStringLiteral("李四"), false, 0,
                  {"NewSale=1", "EditOrder=1"}); // not mixed in
        const QMap<QString, bool> got = UserGrants::load(t.cnstr(), QStringLiteral("张三"));
        QCOMPARE(got.size(), UserGrants::rights().size());
        QStringList on;
        for (auto it = got.cbegin(); it != got.cend(); ++it)
            if (it.value())
                on << it.key();
        ticked.sort();
        QCOMPARE(on, ticked);
    }

    // Every right written for the operator, the old rows replaced, others' rows untouched;
    // nobody or an unknown operator is refused and nothing changes. A NULL reads as not
    // granted.
    void grant()
    {
        TestDb t;
        t.addUser(5, QStringLiteral("张三"), false, 0, {"NewOrder=1", "deletebill=1", "bk=1"});
        t.addUser(6, QStringLiteral("李四"), false, 0, {"NewSale=1"});
        QMap<QString, bool> g = allOff();
        g["NewSale"] = true;
        g["orderhzb"] = true; // any case
        for (const char *name : {"", "O'Neil"})
            QCOMPARE(TestDb::refusalOf([&] { UserGrants::grant(t.cnstr(), name, g); }),
                     *name ? QString("failure: 操作员“%1”不存在！").arg(name)
                           : QString("failure: 请选择操作员！"));
        QCOMPARE(TestDb::dump(t.cnstr(), "select count(*) from t_user_grant"), "4");
        UserGrants::grant(t.cnstr(), QStringLiteral("张三"), g);
        const QString rows = "select FKey, FValue from t_user_grant where FUserID=? order by FKey";
        QCOMPARE(TestDb::dump(t.cnstr(), rows, {5}),
                 "BaseData,0;EditOrder,0;EditOrderYxq,0;NewOrder,0;NewSale,1;OrderAdjItem,0;OrderHzb,1;bk,0;"
                 "ordermxb,0;salemxb,0;yyrbb,0");
        QCOMPARE(TestDb::dump(t.cnstr(), rows, {6}), "NewSale,1");
        db::execute(t.cnstr(), "update t_user_grant set FValue=null where FKey=?", {"bk"});
        QCOMPARE(UserGrants::load(t.cnstr(), QStringLiteral("张三")).value("bk", true), false);
    }

    void login_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("userId"); // 0: refused
        QTest::newRow("manager") << QString(DemoData::ManagerName)
                                 << QString(DemoData::ManagerPassword) << 1;
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
        DemoData::ensureListed();
        DemoData::ensureListed();
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
            const Money k = r.money("FKAmount");
            QCOMPARE(r.money("FEndAmount"), r.money("FBegAmount") + (r.integer("FTranType") == 1 ? k : -k));
        }
        // Handed-out quantities of the demo orders match the demo sales.
        const QString sold = "select sum(FQty) from ICStockBillEntry where FOrderBillInterID<>0";
        const QString handedOut = "select sum(FCplQty) from VipOrderEntry e inner join VipOrder o"
                                  " on o.FInterID=e.FInterID where coalesce(o.FClosed,0)=0";
        QCOMPARE(TestDb::dump(c, sold), TestDb::dump(c, handedOut));
    }
};

QTEST_GUILESS_MAIN(tst_Routines)
#include "tst_Routines.moc"
