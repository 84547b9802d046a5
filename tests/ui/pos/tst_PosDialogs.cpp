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
        QVERIFY(!d.OK() && d.isVisible());
        QCOMPARE(d.Text1->text(), QString());
        QCOMPARE(QApplication::focusWidget(), d.Text1);
        QTest::keyClicks(d.Text1, "V0001");
        QTest::keyClick(d.Text1, Qt::Key_Return);
        QVERIFY(d.OK() && !d.isVisible());
        QCOMPARE((QStringList{d.VipNO(), d.VipOwner()}), (QStringList{"V0001", "张丽"}));
        QCOMPARE(prompts.shown.size(), 1);
    }

    void inputQty_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("qty");
        QTest::newRow("5 of 5") << "5" << "" << 5;
        QTest::newRow("5.4 of 5") << "5.4" << "出库数量不允许大于剩余数量！" << 0;
        QTest::newRow("0.4") << "0.4" << "请输入数量！" << 0;
        QTest::newRow("text") << "abc" << "请输入数量！" << 0;
        QTest::newRow("2.5 rounds to even") << "2.5" << "" << 2;
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
        const QDate old(2024, 3, 1), other(2024, 5, 5), chosen(2024, 3, 11);
        const char *line = "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FYxq) values (?,?,?,?,?)";
        db::execute(db.cnstr(), line, {70, 1, 1, 10, old});
        db::execute(db.cnstr(), line, {70, 2, 6, 10, other});
        db::execute(db.cnstr(), line, {70, 3, 1, 5, QVariant()});
        db::execute(db.cnstr(), line, {71, 1, 1, 10, other}); // another order
        ScriptedPrompts prompts;
        frmEditDate d;
        d.init(70, 1, old);
        d.show();
        QCOMPARE(d.dtpNewDate->date(), old);
        d.dtpNewDate->setDate(chosen);
        QTest::mouseClick(d.cmdOk, Qt::LeftButton);
        QVERIFY(d.OK());
        QList<QDate> dates;
        for (const db::Row &r : db::query(db.cnstr(), "select FYxq from VipOrderEntry order by FInterID, FEntryID"))
            dates << r.date("FYxq");
        QCOMPARE(dates, (QList<QDate>{chosen, other, chosen, other}));
        QVERIFY(prompts.shown.isEmpty());
    }
};

QTEST_MAIN(tst_PosDialogs)
#include "tst_PosDialogs.moc"
