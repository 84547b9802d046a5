#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtTest>

#include "app/EnterMovesFocus.h"
#include "app/KeyPreview.h"

namespace {

// A small form: two line edits (one inside a frame), an editable combo, a date picker and a
// default button, as the counter's screens have them.
struct Form
{
    QDialog w;
    QLineEdit *a = new QLineEdit(&w);
    QGroupBox *frame = new QGroupBox(&w);
    QLineEdit *b = new QLineEdit(frame);
    QComboBox *c = new QComboBox(&w);
    QDateEdit *d = new QDateEdit(&w);
    QPushButton *ok = new QPushButton(QStringLiteral("确定"), &w);
    int defaultPressed = 0;

    Form()
    {
        auto *fl = new QVBoxLayout(frame);
        fl->addWidget(b);
        auto *l = new QVBoxLayout(&w);
        for (QWidget *x : {static_cast<QWidget *>(a), static_cast<QWidget *>(frame),
                           static_cast<QWidget *>(c), static_cast<QWidget *>(d),
                           static_cast<QWidget *>(ok)})
            l->addWidget(x);
        c->setEditable(true);
        ok->setDefault(true);
        QObject::connect(ok, &QPushButton::clicked, [this] { ++defaultPressed; });
        w.show();
        w.activateWindow();
    }
};

QWidget *focused()
{
    return QApplication::focusWidget();
}

} // namespace

class tst_KeyPreview : public QObject
{
    Q_OBJECT
private slots:
    void formSeesKeysFirst_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("consume");
        QTest::addColumn<QString>("textAfter");
        QTest::newRow("consumed F5 never reaches the field") << int(Qt::Key_F5) << true << "";
        QTest::newRow("consumed plus is not typed") << int(Qt::Key_Plus) << true << "";
        QTest::newRow("letter passed on is typed") << int(Qt::Key_A) << false << "a";
        QTest::newRow("F-key the field ignores is seen once") << int(Qt::Key_F2) << false << "";
    }
    void formSeesKeysFirst()
    {
        QFETCH(int, key);
        QFETCH(bool, consume);
        QFETCH(QString, textAfter);
        Form f;
        QList<int> seen;
        QString textWhenSeen = QStringLiteral("unset");
        new KeyPreview(&f.w, [&](QKeyEvent *e) {
            seen << e->key();
            textWhenSeen = f.b->text();
            return consume;
        });
        f.b->setFocus();
        QTRY_COMPARE(focused(), f.b);
        QTest::keyClick(f.b, Qt::Key(key));
        QCOMPARE(seen, QList<int>{key});
        QCOMPARE(textWhenSeen, QString()); // before the field got it
        QCOMPARE(f.b->text(), textAfter);
        QCOMPARE(f.defaultPressed, 0);
    }

    void keysOfOtherWindowsAreNotSeen()
    {
        Form f;
        int seen = 0;
        new KeyPreview(&f.w, [&](QKeyEvent *) { return ++seen, false; });
        QDialog child(&f.w); // a window of its own, though a child of the form
        auto *edit = new QLineEdit(&child);
        child.show();
        QTest::keyClick(edit, Qt::Key_X);
        QCOMPARE(edit->text(), QStringLiteral("x"));
        QCOMPARE(seen, 0);
        QTest::keyClick(f.a, Qt::Key_Y);
        QCOMPARE(seen, 1);
    }

    void previewGoesAwayWithItsForm()
    {
        int seen = 0;
        {
            Form f;
            new KeyPreview(&f.w, [&](QKeyEvent *) { return ++seen, true; });
        }
        QLineEdit other;
        other.show();
        QTest::keyClick(&other, Qt::Key_Z);
        QCOMPARE(seen, 0);
        QCOMPARE(other.text(), QStringLiteral("z"));
    }

    void enterMovesAlongTheChain_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
    }
    void enterMovesAlongTheChain()
    {
        QFETCH(int, key);
        Form f;
        EnterMovesFocus::chain({f.a, f.b, f.c, f.d, f.ok});
        f.b->setText(QStringLiteral("123"));
        f.a->setFocus();
        QTRY_COMPARE(focused(), f.a);
        const Qt::KeyboardModifiers mod =
            key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
        QTest::keyClick(focused(), Qt::Key(key), mod);
        QCOMPARE(focused(), f.b);
        QCOMPARE(f.b->selectedText(), QStringLiteral("123")); // typed over at once
        QTest::keyClick(focused(), Qt::Key(key), mod);
        QCOMPARE(focused(), static_cast<QWidget *>(f.c));
        QTest::keyClick(focused(), Qt::Key(key), mod);
        QCOMPARE(focused(), static_cast<QWidget *>(f.d));
        QTest::keyClick(focused(), Qt::Key(key), mod);
        QCOMPARE(focused(), static_cast<QWidget *>(f.ok));
        QCOMPARE(f.defaultPressed, 0); // Enter in the fields never pressed the default button
    }

    void enterPassesOverUnusableFields()
    {
        Form f;
        EnterMovesFocus::chain({f.a, f.b, f.c, f.d});
        f.b->setEnabled(false);
        f.c->hide();
        f.a->setFocus();
        QTRY_COMPARE(focused(), f.a);
        QTest::keyClick(f.a, Qt::Key_Return);
        QCOMPARE(focused(), static_cast<QWidget *>(f.d));
    }

    void checkKeepsFocusWhenItRefuses()
    {
        Form f;
        bool allow = false;
        int checks = 0;
        EnterMovesFocus::link(f.a, f.b, [&] { return ++checks, allow; });
        f.a->setFocus();
        QTRY_COMPARE(focused(), f.a);
        QTest::keyClick(f.a, Qt::Key_Return);
        QCOMPARE(checks, 1);
        QCOMPARE(focused(), f.a);
        QCOMPARE(f.defaultPressed, 0);
        allow = true;
        QTest::keyClick(f.a, Qt::Key_Return);
        QCOMPARE(focused(), f.b);
        QCOMPARE(EnterMovesFocus::next(f.a), f.b);
        QCOMPARE(EnterMovesFocus::next(f.b), nullptr);
    }

    void relinkingReplacesAndModifiedEnterIsLeftAlone()
    {
        Form f;
        EnterMovesFocus::link(f.a, f.b);
        EnterMovesFocus::link(f.a, f.d);
        QCOMPARE(f.a->findChildren<EnterMovesFocus *>().size(), 1);
        f.a->setFocus();
        QTRY_COMPARE(focused(), f.a);
        QTest::keyClick(f.a, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(focused(), f.a);
        QTest::keyClick(f.a, Qt::Key_Return);
        QCOMPARE(focused(), static_cast<QWidget *>(f.d));
    }

    void previewAndEnterTogether()
    {
        // The form's handler sees Enter first; when it passes it on, the field's link moves on.
        Form f;
        QStringList log;
        new KeyPreview(&f.w, [&](QKeyEvent *e) {
            log << QStringLiteral("form %1").arg(e->key() == Qt::Key_Return);
            return false;
        });
        EnterMovesFocus::link(f.a, f.b, [&] { return log << QStringLiteral("check"), true; });
        f.a->setFocus();
        QTRY_COMPARE(focused(), f.a);
        QTest::keyClick(f.a, Qt::Key_Return);
        QCOMPARE(log, (QStringList{QStringLiteral("form 1"), QStringLiteral("check")}));
        QCOMPARE(focused(), f.b);
    }
};

QTEST_MAIN(tst_KeyPreview)
#include "tst_KeyPreview.moc"
