#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/db/Database.h"
#include "core/frame/UserGrants.h"
#include "ui/frame/frmGrant.h"

namespace {

QStringList tickedBoxes(const frmGrant &f)
{
    QStringList on;
    for (const UserGrants::Right &r : UserGrants::rights())
        if (f.rightBox(r.key)->isChecked())
            on << r.key;
    return on;
}

void choose(frmGrant &f, const QString &name)
{
    f.cmbUser->setCurrentIndex(f.cmbUser->findText(name));
}

// A manager and the operator 张三 holding these rows, the manager logged in.
struct Rights
{
    explicit Rights(const QStringList &rows)
    {
        t.addUser(1, QStringLiteral("店长"), true);
        t.addUser(5, QStringLiteral("张三"), false, 0, rows);
        t.login(1, QStringLiteral("店长"));
    }
    // 张三's rows, sorted by key.
    QString rows() const
    {
        return TestDb::dump(t.cnstr(), "select FKey, FValue from t_user_grant where FUserID=5"
                                       " order by FKey");
    }
    TestDb t;
    ScriptedPrompts prompts;
};

} // namespace

class tst_frmGrant : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // Boxes ticked from rows whose keys differ in case, unknown keys ignored; granting writes
    // ten rows of 0 and 1 and keeps the form open; an operator without rows clears the boxes.
    void chooseAndGrant()
    {
        Rights r({"orderhzb=1", "NEWSALE=1", "bk=0", "deletebill=1"});
        r.t.addUser(6, QStringLiteral("李四"), false);
        frmGrant f;
        f.show();
        choose(f, QStringLiteral("张三"));
        QCOMPARE(tickedBoxes(f), (QStringList{"NewSale", "OrderHzb"}));
        QTest::mouseClick(f.rightBox("NewOrder"), Qt::LeftButton);
        QTest::mouseClick(f.rightBox("OrderAdjItem"), Qt::LeftButton);
        f.rightBox("NewSale")->setChecked(false);
        QTest::mouseClick(f.cmdGrant, Qt::LeftButton);
        QCOMPARE(r.prompts.texts(), QStringList{"授权完成！"});
        QCOMPARE(r.rows(),
                 "EditOrder,0;EditOrderYxq,0;NewOrder,1;NewSale,0;OrderAdjItem,1;OrderHzb,1;"
                 "bk,0;ordermxb,0;salemxb,0;yyrbb,0");
        QVERIFY(f.isVisible());
        choose(f, QStringLiteral("李四"));
        QCOMPARE(tickedBoxes(f), QStringList{});
    }

    // The database refuses half-way: the engine's text is shown and no row has changed.
    void failedGrantShowsErrorAndChangesNothing()
    {
        Rights r({"NewOrder=1"});
        db::execute(r.t.cnstr(),
                    "create unique index ix_test_once on t_user_grant (FUserID, FValue)");
        frmGrant f;
        f.show();
        choose(f, QStringLiteral("张三"));
        f.rightBox("bk")->setChecked(true);
        QTest::mouseClick(f.cmdGrant, Qt::LeftButton);
        QCOMPARE(r.prompts.shown.size(), 1);
        QVERIFY(!r.prompts.last().isEmpty() && r.prompts.last() != QStringLiteral("授权完成！"));
        QCOMPARE(r.rows(), "NewOrder,1");
        QVERIFY(f.rightBox("bk")->isChecked()); // what the manager ticked stays
    }
};

QTEST_MAIN(tst_frmGrant)
#include "tst_frmGrant.moc"
