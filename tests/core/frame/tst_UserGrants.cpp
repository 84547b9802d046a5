#include <QtTest>

#include "TestDb.h"
#include "core/frame/UserGrants.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"

namespace {

// The operator's rows as "key=value", ordered by key.
QStringList rowsOf(const QString &cnstr, int userId)
{
    QStringList rows;
    for (const db::Row &r : db::query(cnstr,
                                      "select FKey, FValue from t_user_grant where FUserID=? order by FKey",
                                      {userId}))
        rows << r.text("FKey") + "=" + (r.isNull("FValue") ? QStringLiteral("null") : r.text("FValue"));
    return rows;
}

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
        QTest::newRow("no rows") << QStringList{} << QStringList{};
        QTest::newRow("keys in other case") << QStringList{"neworder=1", "ORDERHZB=1", "orderadjitem=1"}
                                            << QStringList{"NewOrder", "OrderAdjItem", "OrderHzb"};
        QTest::newRow("value 0 clears") << QStringList{"bk=0", "yyrbb=1"} << QStringList{"yyrbb"};
        QTest::newRow("unknown keys ignored") << QStringList{"deletebill=1", "grant=1", "salemxb=1"}
                                              << QStringList{"salemxb"};
        QTest::newRow("any non-zero grants") << QStringList{"EditOrderYxq=2"} << QStringList{"EditOrderYxq"};
    }
    void load()
    {
        QFETCH(QStringList, rows);
        QFETCH(QStringList, ticked);
        TestDb t;
        t.addUser(5, QStringLiteral("张三"), false, 0, rows);
        t.addUser(6, QStringLiteral("李四"), false, 0, {"NewSale=1", "EditOrder=1"}); // not mixed in
        const QMap<QString, bool> got = UserGrants::load(t.cnstr(), QStringLiteral("张三"));
        QCOMPARE(got.size(), 10);
        QStringList on;
        for (auto it = got.cbegin(); it != got.cend(); ++it)
            if (it.value())
                on << it.key();
        ticked.sort();
        QCOMPARE(on, ticked);
    }

    void nullValueReadsAsNotGranted()
    {
        TestDb t;
        t.addUser(5, QStringLiteral("张三"), false);
        db::execute(t.cnstr(), "insert into t_user_grant (FUserID, FKey, FValue) values (5, 'bk', null)");
        QCOMPARE(UserGrants::load(t.cnstr(), QStringLiteral("张三")).value("bk", true), false);
    }

    void grantWritesTenRows()
    {
        TestDb t;
        t.addUser(5, QStringLiteral("张三"), false, 0, {"NewOrder=1", "deletebill=1", "bk=1"});
        t.addUser(6, QStringLiteral("李四"), false, 0, {"NewSale=1"});
        QMap<QString, bool> g = allOff();
        g["NewSale"] = true;
        g["orderhzb"] = true; // any case
        UserGrants::grant(t.cnstr(), QStringLiteral("张三"), g);
        QCOMPARE(rowsOf(t.cnstr(), 5),
                 (QStringList{"EditOrder=0", "EditOrderYxq=0", "NewOrder=0", "NewSale=1",
                              "OrderAdjItem=0", "OrderHzb=1", "bk=0", "ordermxb=0", "salemxb=0",
                              "yyrbb=0"}));
        QCOMPARE(rowsOf(t.cnstr(), 6), QStringList{"NewSale=1"}); // others untouched
        // Granting again replaces the rows rather than adding to them.
        UserGrants::grant(t.cnstr(), QStringLiteral("张三"), allOff());
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from t_user_grant where FUserID=5").toInt(), 10);
        QCOMPARE(db::scalar(t.cnstr(), "select sum(FValue) from t_user_grant where FUserID=5").toInt(), 0);
    }

    void grantRefusals_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("nobody chosen") << "" << "请选择操作员！";
        QTest::newRow("unknown operator") << "王五" << "操作员“王五”不存在！";
        QTest::newRow("quote in name") << "O'Neil" << "操作员“O'Neil”不存在！";
    }
    void grantRefusals()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        TestDb t;
        t.addUser(5, QStringLiteral("张三"), false, 0, {"bk=1"});
        try {
            UserGrants::grant(t.cnstr(), name, allOff());
            QFAIL("no error");
        } catch (const db::DbError &e) {
            QCOMPARE(e.message(), message);
        }
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from t_user_grant").toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_UserGrants)
#include "tst_UserGrants.moc"
