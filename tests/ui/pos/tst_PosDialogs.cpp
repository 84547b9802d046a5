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

    // An unknown card is refused with the box emptied for the next try; the right one with
    // Enter closes the dialog with the member.
    void readVip()
    {
        TestDb db(TestDb::Content::Demo);
        db.login(2, "收银员");
        ScriptedPrompts prompts;
        frmReadVip d;
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QTest::keyClicks(d.Text1, "99999");
        QTest::keyClick(d.Text1, Qt::Key_Return); // the confirm button is the default
        QCOMPARE(prompts.texts(), QStringList{"卡号不存在！"});
        QVERIFY(d.Text1->text().isEmpty() && QApplication::focusWidget() == d.Text1);
        QTest::keyClicks(d.Text1, "V0001");
        QTest::keyClick(d.Text1, Qt::Key_Return);
        QVERIFY(d.OK() && !d.isVisible());
        QCOMPARE(d.VipNO() + " " + d.VipOwner(), "V0001 张丽");
    }

    void inputQty_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("qty");
        // clang-format off
        QTest::newRow("5 of 5") << "5" << "" << 5;
        QTest::newRow("5.4 of 5") << "5.4" << "出库数量不允许大于剩余数量！" << 0;
        QTest::newRow("0.4") << "0.4" << "请输入数量！" << 0;
        QTest::newRow("2.5 rounds to even") << "2.5" << "" << 2;
        // clang-format on
    }
    // Of 5 open units: a refusal keeps the dialog with the text ready to be typed over.
    void inputQty()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(int, qty);
        ScriptedPrompts prompts;
        frmInputQty d;
        d.init(5);
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QCOMPARE(QApplication::focusWidget(), d.txtQty2);
        QTest::keyClicks(d.txtQty2, typed);
        QTest::keyClick(d.txtQty2, Qt::Key_Return);
        QCOMPARE(d.GetQty(), qty);
        QCOMPARE(prompts.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(d.isVisible(), !message.isEmpty());
        if (!message.isEmpty())
            QTRY_COMPARE(d.txtQty2->selectedText(), typed);
    }

    // A new validity date goes on every line of the item in that order, dated or not.
    void editDate()
    {
        TestDb db(TestDb::Content::Schema);
        db.login(1, "店长");
        const QDate old(2024, 3, 1), chosen(2024, 3, 11);
        db::execute(db.cnstr(),
                    "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FYxq)"
                    " values (70, 1, 1, 10, '2024-03-01'), (70, 2, 6, 10, '2024-05-05'),"
                    " (70, 3, 1, 5, NULL), (71, 1, 1, 10, '2024-05-05')");
        ScriptedPrompts prompts;
        frmEditDate d;
        d.init(70, 1, old);
        d.show();
        QCOMPARE(d.dtpNewDate->date(), old);
        d.dtpNewDate->setDate(chosen);
        QTest::mouseClick(d.cmdOk, Qt::LeftButton);
        QVERIFY(d.OK());
        QCOMPARE(
            TestDb::dump(db.cnstr(), "select FYxq from VipOrderEntry order by FInterID, FEntryID"),
            "2024-03-11;2024-05-05;2024-03-11;2024-05-05");
        QVERIFY(prompts.shown.isEmpty());
    }
};

QTEST_MAIN(tst_PosDialogs)
#include "tst_PosDialogs.moc"
