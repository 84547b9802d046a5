#include <QtTest>

#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/db/Database.h"
#include "ui/pos/frmEditDate.h"
#include "ui/pos/frmInputQty.h"
#include "ui/pos/frmReadVip.h"

class tst_PosDialogs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    void readVip_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("vipNo"); // empty: not found
        QTest::addColumn<QString>("owner");
        QTest::newRow("card number") << "V0001" << "V0001" << "张丽";
        QTest::newRow("unknown") << "99999" << "" << "";
    }
    void readVip()
    {
        QFETCH(QString, typed);
        QFETCH(QString, vipNo);
        QFETCH(QString, owner);
        TestDb db(TestDb::Content::Demo);
        db.login(2, "收银员");
        ScriptedPrompts prompts;
        frmReadVip d;
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QTest::keyClicks(d.Text1, typed);
        QTest::keyClick(d.Text1, Qt::Key_Return); // the confirm button is the default
        const bool found = !vipNo.isEmpty();
        QCOMPARE(d.OK(), found);
        QCOMPARE(d.VipNO(), vipNo);
        QCOMPARE(d.VipOwner(), owner);
        if (found) {
            QVERIFY(prompts.shown.isEmpty());
            QCOMPARE(d.Text1->text(), vipNo);
            QVERIFY(!d.isVisible());
            QCOMPARE(d.result(), int(QDialog::Accepted));
        } else {
            QCOMPARE(prompts.texts(), QStringList{"卡号不存在！"});
            QCOMPARE(prompts.shown.first().icon, Prompts::Icon::Exclamation);
            QVERIFY(d.isVisible());
            QCOMPARE(d.Text1->text(), QString());
            QCOMPARE(QApplication::focusWidget(), d.Text1);
            // Giving up after a miss leaves the caller's member as it was.
            QTest::mouseClick(d.Command2, Qt::LeftButton);
            QVERIFY(!d.OK());
            QCOMPARE(d.VipNO(), QString());
            QCOMPARE(d.result(), int(QDialog::Rejected));
        }
    }

    void inputQty_data()
    {
        QTest::addColumn<int>("open");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("qty");
        QTest::newRow("5 of 5") << 5 << "5" << "" << 5;
        QTest::newRow("6 of 5") << 5 << "6" << "出库数量不允许大于剩余数量！" << 0;
        QTest::newRow("5.4 of 5") << 5 << "5.4" << "出库数量不允许大于剩余数量！" << 0;
        QTest::newRow("0.4") << 5 << "0.4" << "请输入数量！" << 0;
        QTest::newRow("0") << 5 << "0" << "请输入数量！" << 0;
        QTest::newRow("-1") << 5 << "-1" << "请输入数量！" << 0;
        QTest::newRow("empty") << 5 << "" << "请输入数量！" << 0;
        QTest::newRow("text") << 5 << "abc" << "请输入数量！" << 0;
        QTest::newRow("2.5 rounds to even") << 5 << "2.5" << "" << 2;
        QTest::newRow("3.5 rounds to even") << 5 << "3.5" << "" << 4;
        QTest::newRow("past 16 bits") << 40000 << "40000" << "" << 40000;
    }
    void inputQty()
    {
        QFETCH(int, open);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(int, qty);
        ScriptedPrompts prompts;
        frmInputQty d;
        d.init(open);
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QCOMPARE(d.txtQty1->text(), QString::number(open));
        QVERIFY(!d.txtQty1->isEnabled());
        QCOMPARE(QApplication::focusWidget(), d.txtQty2);
        QTest::keyClicks(d.txtQty2, typed);
        QTest::keyClick(d.txtQty2, Qt::Key_Return);
        QCOMPARE(d.GetQty(), qty);
        if (message.isEmpty()) {
            QVERIFY(prompts.shown.isEmpty());
            QCOMPARE(d.result(), int(QDialog::Accepted));
            QVERIFY(!d.isVisible());
        } else {
            QCOMPARE(prompts.texts(), QStringList{message});
            QCOMPARE(prompts.shown.first().icon, Prompts::Icon::Information);
            QVERIFY(d.isVisible());
            QCOMPARE(QApplication::focusWidget(), d.txtQty2);
            QTRY_COMPARE(d.txtQty2->selectedText(), typed); // ready to be overtyped
            QTest::mouseClick(d.cmdExit, Qt::LeftButton);
            QCOMPARE(d.GetQty(), 0);
        }
    }

    void editDate_data()
    {
        QTest::addColumn<int>("daysLater");
        QTest::addColumn<bool>("confirm");
        QTest::newRow("ten days later") << 10 << true;
        QTest::newRow("cancelled") << 10 << false;
    }
    void editDate()
    {
        QFETCH(int, daysLater);
        QFETCH(bool, confirm);
        TestDb db(TestDb::Content::Schema);
        db.login(1, "店长");
        const QDate old(2024, 3, 1), other(2024, 5, 5);
        const char *line = "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FYxq) values (?,?,?,?,?)";
        db::execute(db.cnstr(), line, {70, 1, 1, 10, old});
        db::execute(db.cnstr(), line, {70, 2, 6, 10, other});
        db::execute(db.cnstr(), line, {70, 3, 1, 5, QVariant()}); // same item, no date yet
        db::execute(db.cnstr(), line, {71, 1, 1, 10, other});     // another order
        ScriptedPrompts prompts;
        frmEditDate d;
        d.init(70, 1, old);
        d.show();
        QCOMPARE(d.dtpOldDate->date(), old);
        QCOMPARE(d.dtpNewDate->date(), old);
        const QDate chosen = old.addDays(daysLater);
        d.dtpNewDate->setDate(chosen);
        QTest::mouseClick(confirm ? d.cmdOk : d.cmdExit, Qt::LeftButton);
        QCOMPARE(d.OK(), confirm);
        QCOMPARE(d.NewDate(), confirm ? chosen : QDate());
        const db::Rows rows = db::query(db.cnstr(), "select FInterID, FEntryID, FYxq from VipOrderEntry order by FInterID, FEntryID");
        QList<QDate> dates;
        for (const db::Row &r : rows)
            dates << r.date("FYxq");
        const QDate a = confirm ? chosen : old, b = confirm ? chosen : QDate();
        QCOMPARE(dates, (QList<QDate>{a, other, b, other}));
        QVERIFY(prompts.shown.isEmpty());
    }

    // A failing statement reaches the cashier as the engine's message; the dialog stays open.
    void databaseFailure()
    {
        TestDb db(TestDb::Content::Demo);
        db.login(2, "收银员");
        const char *cascade = TestDb::isPostgres() ? " cascade" : "";
        db::execute(db.cnstr(), QStringLiteral("drop table VipCzBill") + cascade);
        db::execute(db.cnstr(), QStringLiteral("drop table VipOrderEntry") + cascade);
        ScriptedPrompts prompts;
        frmReadVip vip;
        vip.show();
        vip.Text1->setText("nobody");
        QTest::mouseClick(vip.Command1, Qt::LeftButton);
        QCOMPARE(prompts.shown.size(), 1);
        QVERIFY(!vip.OK() && vip.isVisible());
        frmEditDate date;
        date.init(70, 1, QDate(2024, 3, 1));
        date.show();
        QTest::mouseClick(date.cmdOk, Qt::LeftButton);
        QCOMPARE(prompts.shown.size(), 2);
        QVERIFY(!date.OK() && date.isVisible());
        for (const ScriptedPrompts::Entry &e : prompts.shown)
            QCOMPARE(e.icon, Prompts::Icon::Information);
    }
};

QTEST_MAIN(tst_PosDialogs)
#include "tst_PosDialogs.moc"
