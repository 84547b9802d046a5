#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/frame/Authenticator.h"
#include "ui/frame/frmModifyPwd.h"

class tst_frmModifyPwd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    void change_data()
    {
        QTest::addColumn<QString>("oldPwd");
        QTest::addColumn<QString>("newPwd");
        QTest::addColumn<QString>("confirm");
        QTest::addColumn<QString>("message"); // "!" first: an exclamation box
        QTest::addColumn<QString>("focus");   // where the operator types next; "" when changed and closed
        QTest::newRow("right old password") << "1234" << "56'78" << "56'78" << "密码修改成功！" << "";
        QTest::newRow("wrong old password") << "4321" << "5678" << "5678" << "原密码不正确！" << "txtOld";
        QTest::newRow("new ones differ") << "1234" << "5678" << "5679" << "两次输入的新密码不一致！" << "txtConfirm";
        QTest::newRow("empty new password") << "1234" << "" << "" << "!请输入新密码！" << "txtNew";
    }
    void change()
    {
        QFETCH(QString, oldPwd);
        QFETCH(QString, newPwd);
        QFETCH(QString, confirm);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        const bool changed = focus.isEmpty();
        TestDb t(TestDb::Content::Demo);
        ScriptedPrompts prompts;
        frmModifyPwd f(t.cnstr(), "收银员");
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QCOMPARE(QApplication::focusWidget(), f.txtOld);
        // Enter walks old -> new -> confirm, and confirms from the last box.
        for (const auto &[box, text] : {std::pair{f.txtOld, oldPwd}, {f.txtNew, newPwd}, {f.txtConfirm, confirm}}) {
            QCOMPARE(QApplication::focusWidget(), box);
            QTest::keyClicks(box, text);
            QTest::keyClick(box, Qt::Key_Return);
        }

        QCOMPARE(prompts.shown.size(), 1);
        const bool exclamation = message.startsWith('!');
        QCOMPARE(prompts.last(), exclamation ? message.mid(1) : message);
        QCOMPARE(prompts.shown[0].icon, exclamation ? Prompts::Icon::Exclamation : Prompts::Icon::Information);
        QCOMPARE(f.OK, changed);
        QCOMPARE(changed ? QString() : QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(Authenticator::verify(t.cnstr(), "收银员", "1234").has_value(), !changed);
        QVERIFY(Authenticator::verify(t.cnstr(), "收银员", changed ? newPwd : QString("1234")).has_value());
        QVERIFY(Authenticator::verify(t.cnstr(), "店长", "8888").has_value()); // nobody else's moved
    }
};

QTEST_MAIN(tst_frmModifyPwd)
#include "tst_frmModifyPwd.moc"
