#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/frame/UserGrants.h"

namespace {

QMap<QString, bool> allOff()
{
    QMap<QString, bool> m;
    for (const UserGrants::Right &r : UserGrants::rights())
        m.insert(r.key, false);
    return m;
}

} // namespace

class tst_UserGrants : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    void load_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("ticked");
        // clang-format off
        QTest::newRow("no rows") << QStringList{} << QStringList{};
        QTest::newRow("keys in other case") << QStringList{"neworder=1", "ORDERHZB=1", "orderadjitem=1"} << QStringList{"NewOrder", "OrderAdjItem", "OrderHzb"};
        QTest::newRow("value 0 clears") << QStringList{"bk=0", "yyrbb=1"} << QStringList{"yyrbb"};
        QTest::newRow("unknown keys ignored") << QStringList{"deletebill=1", "grant=1", "salemxb=1"} << QStringList{"salemxb"};
        QTest::newRow("any non-zero grants") << QStringList{"EditOrderYxq=2"} << QStringList{"EditOrderYxq"};
        // clang-format on
    }
    void load()
    {
        QFETCH(QStringList, rows);
        QFETCH(QStringList, ticked);
        TestDb t;
        t.addUser(5, QStringLiteral("张三"), false, 0, rows);
        t.addUser(6, QStringLiteral("李四"), false, 0,
                  {"NewSale=1", "EditOrder=1"}); // not mixed in
        const QMap<QString, bool> got = UserGrants::load(t.cnstr(), QStringLiteral("张三"));
        QCOMPARE(got.size(), 10);
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
                 "EditOrder,0;EditOrderYxq,0;NewOrder,0;NewSale,1;OrderAdjItem,0;OrderHzb,1;bk,0;"
                 "ordermxb,0;salemxb,0;yyrbb,0");
        QCOMPARE(TestDb::dump(t.cnstr(), rows, {6}), "NewSale,1");
        UserGrants::grant(t.cnstr(), QStringLiteral("张三"), allOff());
        QCOMPARE(TestDb::dump(t.cnstr(), "select count(*), sum(FValue) from t_user_grant where"
                                         " FUserID=5"),
                 "10,0");
        db::execute(t.cnstr(), "update t_user_grant set FValue=null where FKey='bk'");
        QCOMPARE(UserGrants::load(t.cnstr(), QStringLiteral("张三")).value("bk", true), false);
    }
};

QTEST_GUILESS_MAIN(tst_UserGrants)
#include "tst_UserGrants.moc"
