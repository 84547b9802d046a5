#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "app/KwStore.h"
#include "app/UserGrants.h"
#include "app/db/Database.h"
#include "app/frmGrant.h"

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
    const int i = f.cmbUser->findText(name);
    QVERIFY(i >= 0);
    f.cmbUser->setCurrentIndex(i);
}

QString stored(const QString &key)
{
    return KwStore::get("KwStore", "Pos.Default", key, "<absent>");
}

} // namespace

class tst_frmGrant : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    void opens()
    {
        TestDb t(TestDb::Content::Demo);
        t.login(1, QStringLiteral("店长"));
        frmGrant f;
        QCOMPARE(f.windowTitle(), QStringLiteral("权限控制"));
        QCOMPARE(f.cmbUser->count(), UserGrants::operators(t.cnstr()).size());
        QCOMPARE(f.cmbUser->currentIndex(), -1);
        QStringList ports;
        for (int i = 0; i < f.cmbPort->count(); ++i)
            ports << f.cmbPort->itemText(i);
        QCOMPARE(ports, (QStringList{"", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "Com1", "Com2",
                                     "Com3", "Com4"}));
        // Defaults when nothing is stored.
        QCOMPARE(f.cmbPort->currentText(), QStringLiteral("LPT1"));
        QVERIFY(!f.chk_UseMoneyBox->isChecked());
        // The ten boxes, named after their keys, with their captions.
        for (const UserGrants::Right &r : UserGrants::rights()) {
            auto *box = f.findChild<QCheckBox *>("chk_" + r.key);
            QVERIFY2(box, qPrintable(r.key));
            QCOMPARE(box->text(), r.caption);
            QVERIFY(!box->isChecked());
        }
        QCOMPARE(f.cmdGrant->text(), QStringLiteral("授权(&G)"));
        QCOMPARE(f.Command1->text(), QStringLiteral("关闭(&C)"));
        QCOMPARE(f.chk_UseMoneyBox->text(), QStringLiteral("使用电子钱箱"));
    }

    void choosingAnOperatorTicksItsBoxes()
    {
        TestDb t;
        t.addUser(1, QStringLiteral("店长"), true);
        t.addUser(5, QStringLiteral("张三"), false, 0, {"orderhzb=1", "NEWSALE=1", "bk=0", "deletebill=1"});
        t.addUser(6, QStringLiteral("李四"), false);
        t.login(1, QStringLiteral("店长"));
        KwStore::set("KwStore", "Pos.Default", "PrintPort", "Com2");
        KwStore::set("KwStore", "Pos.Default", "UseMoneyBox", "1");
        frmGrant f;
        f.show();
        choose(f, QStringLiteral("张三"));
        QCOMPARE(tickedBoxes(f), (QStringList{"NewSale", "OrderHzb"}));
        QVERIFY(f.rightBox("ORDERHZB")->isChecked());
        // An operator without rows clears every box; port and drawer stay as they were.
        f.rightBox("yyrbb")->setChecked(true);
        choose(f, QStringLiteral("李四"));
        QCOMPARE(tickedBoxes(f), QStringList{});
        QCOMPARE(f.cmbPort->currentText(), QStringLiteral("Com2"));
        QVERIFY(f.chk_UseMoneyBox->isChecked());
    }

    void grantButtonWritesRows()
    {
        TestDb t;
        t.addUser(1, QStringLiteral("店长"), true);
        t.addUser(5, QStringLiteral("张三"), false, 0, {"bk=1", "deletebill=1"});
        t.login(1, QStringLiteral("店长"));
        ScriptedPrompts prompts;
        frmGrant f;
        f.show();
        choose(f, QStringLiteral("张三"));
        f.rightBox("bk")->setChecked(false);
        QTest::mouseClick(f.rightBox("NewOrder"), Qt::LeftButton);
        QTest::mouseClick(f.rightBox("OrderAdjItem"), Qt::LeftButton);
        QTest::mouseClick(f.cmdGrant, Qt::LeftButton);
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].icon, Prompts::Icon::Information);
        QCOMPARE(prompts.shown[0].text, QStringLiteral("授权完成！"));
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from t_user_grant where FUserID=5").toInt(), 10);
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from t_user_grant where FUserID=5 and FValue=1").toInt(), 2);
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from t_user_grant where FUserID=5 and FValue=0").toInt(), 8);
        QCOMPARE(db::scalar(t.cnstr(), "select FValue from t_user_grant where FUserID=5 and FKey='OrderAdjItem'").toInt(), 1);
        QVERIFY(f.isVisible()); // granting does not close the form
    }

    void failedGrantShowsErrorAndChangesNothing_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("breakTable");
        QTest::addColumn<QString>("message"); // empty: the engine's own text
        QTest::newRow("nobody chosen") << "" << false << "请选择操作员！";
        QTest::newRow("database refuses half-way") << "张三" << true << "";
    }
    void failedGrantShowsErrorAndChangesNothing()
    {
        QFETCH(QString, chosen);
        QFETCH(bool, breakTable);
        QFETCH(QString, message);
        TestDb t;
        t.addUser(1, QStringLiteral("店长"), true);
        t.addUser(5, QStringLiteral("张三"), false, 0, {"NewOrder=1"});
        t.login(1, QStringLiteral("店长"));
        if (breakTable)
            db::execute(t.cnstr(), "create unique index ix_test_once on t_user_grant (FUserID, FValue)");
        ScriptedPrompts prompts;
        frmGrant f;
        f.show();
        if (!chosen.isEmpty())
            choose(f, chosen);
        f.rightBox("bk")->setChecked(true);
        QTest::mouseClick(f.cmdGrant, Qt::LeftButton);
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].icon, Prompts::Icon::Information);
        QVERIFY(prompts.last() != QStringLiteral("授权完成！"));
        QVERIFY(!prompts.last().isEmpty());
        if (!message.isEmpty())
            QCOMPARE(prompts.last(), message);
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from t_user_grant").toInt(), 1);
        QVERIFY(f.rightBox("bk")->isChecked()); // what the manager ticked stays
    }

    void settingsRoundTrip_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<bool>("drawer");
        QTest::newRow("serial with drawer") << "Com3" << true;
        QTest::newRow("no port, no drawer") << "" << false;
        QTest::newRow("LPT5 with drawer") << "LPT5" << true;
    }
    void settingsRoundTrip()
    {
        QFETCH(QString, port);
        QFETCH(bool, drawer);
        TestDb t(TestDb::Content::Demo);
        t.login(1, QStringLiteral("店长"));
        {
            frmGrant f;
            f.show();
            f.cmbPort->setCurrentIndex(f.cmbPort->findText(port));
            f.chk_UseMoneyBox->setChecked(drawer);
            QTest::mouseClick(f.Command1, Qt::LeftButton);
            QVERIFY(!f.isVisible());
            QCOMPARE(f.result(), int(QDialog::Accepted));
        }
        QCOMPARE(stored("PrintPort"), port);
        QCOMPARE(stored("UseMoneyBox"), drawer ? QStringLiteral("1") : QStringLiteral("0"));
        frmGrant again;
        QCOMPARE(again.cmbPort->currentText(), port);
        QCOMPARE(again.chk_UseMoneyBox->isChecked(), drawer);
    }

    void closeBoxStoresNothing()
    {
        TestDb t(TestDb::Content::Demo);
        t.login(1, QStringLiteral("店长"));
        frmGrant f;
        f.show();
        f.cmbPort->setCurrentIndex(f.cmbPort->findText("Com1"));
        f.chk_UseMoneyBox->setChecked(true);
        f.close();
        QCOMPARE(stored("PrintPort"), QStringLiteral("<absent>"));
        QCOMPARE(stored("UseMoneyBox"), QStringLiteral("<absent>"));
    }

    void portOutsideTheListIsKept()
    {
        TestDb t(TestDb::Content::Demo);
        t.login(1, QStringLiteral("店长"));
        KwStore::set("KwStore", "Pos.Default", "PrintPort", "/dev/usb/lp1");
        frmGrant f;
        QCOMPARE(f.cmbPort->currentText(), QStringLiteral("/dev/usb/lp1"));
        QTest::mouseClick(f.Command1, Qt::LeftButton);
        QCOMPARE(stored("PrintPort"), QStringLiteral("/dev/usb/lp1"));
    }
};

QTEST_MAIN(tst_frmGrant)
#include "tst_frmGrant.moc"
