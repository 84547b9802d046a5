#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtTest>

#include "ui/widgets/EnterMovesFocus.h"
#include "ui/widgets/KeyPreview.h"

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
        for (QWidget *x : std::initializer_list<QWidget *>{a, frame, c, d, ok})
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

void focusOn(QWidget *w)
{
    w->setFocus();
    QTRY_COMPARE(focused(), w);
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
        focusOn(f.b);
        QTest::keyClick(f.b, Qt::Key(key));
        QCOMPARE(seen, QList<int>{key});
        QCOMPARE(textWhenSeen, QString()); // before the field got it
        QCOMPARE(f.b->text(), textAfter);
        QCOMPARE(f.defaultPressed, 0);
    }

    // Keys typed in another window, even a child window of the form, or after the form
    // is gone, are not the form's.
    void onlyItsOwnWindowsKeysAreSeen()
    {
        int seen = 0;
        {
            Form f;
            new KeyPreview(&f.w, [&](QKeyEvent *) { return ++seen, false; });
            QDialog child(&f.w);
            auto *edit = new QLineEdit(&child);
            child.show();
            QTest::keyClick(edit, Qt::Key_X);
            QCOMPARE(edit->text(), QStringLiteral("x"));
            QCOMPARE(seen, 0);
            QTest::keyClick(f.a, Qt::Key_Y);
            QCOMPARE(seen, 1);
        }
        QLineEdit other;
        other.show();
        QTest::keyClick(&other, Qt::Key_Z);
        QCOMPARE(seen, 1);
        QCOMPARE(other.text(), QStringLiteral("z"));
    }

    // Enter or keypad Enter moves on, over fields that cannot take the focus, without ever
    // pressing the default button; Ctrl+Enter is left alone; a second link replaces the first.
    void enterMovesAlongTheChain_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifier");
        QTest::addColumn<bool>("unusable");
        QTest::addColumn<int>("steps"); // how many moves along a, b, c, d, ok
        QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier) << false << 4;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << false << 4;
        QTest::newRow("disabled and hidden passed over")
            << int(Qt::Key_Return) << int(Qt::NoModifier) << true << 2;
        QTest::newRow("Ctrl+Enter") << int(Qt::Key_Return) << int(Qt::ControlModifier) << false << 0;
    }
    void enterMovesAlongTheChain()
    {
        QFETCH(int, key);
        QFETCH(int, modifier);
        QFETCH(bool, unusable);
        QFETCH(int, steps);
        Form f;
        EnterMovesFocus::link(f.a, f.ok);
        EnterMovesFocus::chain({f.a, f.b, f.c, f.d, f.ok});
        f.b->setText(QStringLiteral("123"));
        f.b->setEnabled(!unusable);
        f.c->setVisible(!unusable);
        focusOn(f.a);
        const auto path = unusable ? QList<QWidget *>{f.d, f.ok}
                                   : QList<QWidget *>{f.b, f.c, f.d, f.ok};
        for (QWidget *next : path.mid(0, steps)) {
            QTest::keyClick(focused(), Qt::Key(key), Qt::KeyboardModifiers(modifier));
            QCOMPARE(focused(), next);
            if (next == f.b)
                QCOMPARE(f.b->selectedText(), QStringLiteral("123")); // typed over at once
        }
        if (steps == 0) {
            QTest::keyClick(f.a, Qt::Key(key), Qt::KeyboardModifiers(modifier));
            QCOMPARE(focused(), f.a);
        }
        QCOMPARE(f.defaultPressed, 0);
    }

    // The form's handler sees Enter first; passed on, the field's check decides: a refusal
    // keeps the focus (and does not press the default button), a yes moves on.
    void previewThenCheckedLink()
    {
        Form f;
        QStringList log;
        bool allow = false;
        new KeyPreview(&f.w, [&](QKeyEvent *e) {
            log << QStringLiteral("form %1").arg(e->key() == Qt::Key_Return);
            return false;
        });
        EnterMovesFocus::link(f.a, f.b, [&] { return log << QStringLiteral("check"), allow; });
        focusOn(f.a);
        QTest::keyClick(f.a, Qt::Key_Return);
        QCOMPARE(log, (QStringList{"form 1", "check"}));
        QCOMPARE(focused(), f.a);
        QCOMPARE(f.defaultPressed, 0);
        allow = true;
        QTest::keyClick(f.a, Qt::Key_Return);
        QCOMPARE(log.size(), 4);
        QCOMPARE(focused(), f.b);
        QCOMPARE(EnterMovesFocus::next(f.a), f.b);
        QCOMPARE(EnterMovesFocus::next(f.b), nullptr);
    }
};

QTEST_MAIN(tst_KeyPreview)
#include "tst_KeyPreview.moc"
