#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
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
    // When the database refuses, the engine's text is shown, no row has changed and the
    // manager's ticks stay.
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
        const QString granted = "EditOrder,0;EditOrderYxq,0;NewOrder,1;NewSale,0;OrderAdjItem,1;"
                                "OrderHzb,1;bk,0;ordermxb,0;salemxb,0;yyrbb,0";
        QCOMPARE(r.rows(), granted);
        QVERIFY(f.isVisible());
        choose(f, QStringLiteral("李四"));
        QCOMPARE(tickedBoxes(f), QStringList{});

        choose(f, QStringLiteral("张三"));
        r.t.failOn("insert", "t_user_grant");
        r.prompts.clear();
        f.rightBox("bk")->setChecked(true);
        QTest::mouseClick(f.cmdGrant, Qt::LeftButton);
        QCOMPARE(r.prompts.shown.size(), 1);
        QVERIFY2(r.prompts.last().contains("forced failure"), qPrintable(r.prompts.last()));
        QCOMPARE(r.rows(), granted);
        QVERIFY(f.rightBox("bk")->isChecked());
    }
};

QTEST_MAIN(tst_frmGrant)
#include "tst_frmGrant.moc"
