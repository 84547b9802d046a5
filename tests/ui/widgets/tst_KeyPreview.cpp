#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtTest>

#include "ui/widgets/EnterMovesFocus.h"

namespace {

// Two line edits, an editable combo and a default button, as the counter's screens have them.
struct Form
{
    QDialog w;
    QLineEdit *a = new QLineEdit(&w), *b = new QLineEdit(&w);
    QComboBox *c = new QComboBox(&w);
    QPushButton *ok = new QPushButton(QStringLiteral("确定"), &w);
    int defaultPressed = 0;
    Form()
    {
        auto *l = new QVBoxLayout(&w);
        for (QWidget *x : std::initializer_list<QWidget *>{a, b, c, ok})
            l->addWidget(x);
        c->setEditable(true);
        ok->setDefault(true);
        QObject::connect(ok, &QPushButton::clicked, [this] { ++defaultPressed; });
        w.show();
        w.activateWindow();
    }
};

} // namespace

class tst_KeyPreview : public QObject
{
    Q_OBJECT
private slots:
    // Enter or keypad Enter moves along the chain, over a field that cannot take the focus,
    // and never presses the default button; Ctrl+Enter stays put. That the form sees keys
    // first is what the settlement and sale windows' scenarios type through.
    void enterMovesAlongTheChain_data()
    {
        QTest::addColumn<int>("modifier");
        QTest::addColumn<bool>("bDisabled");
        QTest::addColumn<int>("steps");
        // clang-format off
        QTest::newRow("keypad Enter") << int(Qt::KeypadModifier) << false << 3;
        QTest::newRow("disabled passed over") << int(Qt::NoModifier) << true << 2;
        QTest::newRow("Ctrl+Enter") << int(Qt::ControlModifier) << false << 0;
        // clang-format on
    }
    void enterMovesAlongTheChain()
    {
        QFETCH(int, modifier);
        QFETCH(bool, bDisabled);
        QFETCH(int, steps);
        Form f;
        EnterMovesFocus::chain({f.a, f.b, f.c, f.ok});
        f.b->setText(QStringLiteral("123"));
        f.b->setEnabled(!bDisabled);
        f.a->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), f.a);
        const auto path =
            bDisabled ? QList<QWidget *>{f.a, f.c, f.ok} : QList<QWidget *>{f.a, f.b, f.c, f.ok};
        for (int i = 0; i < std::max(steps, 1); ++i)
            QTest::keyClick(QApplication::focusWidget(),
                            modifier == Qt::KeypadModifier ? Qt::Key_Enter : Qt::Key_Return,
                            Qt::KeyboardModifiers(modifier));
        QCOMPARE(QApplication::focusWidget(), path.at(steps));
        QCOMPARE(f.defaultPressed, 0);
    }
};

QTEST_MAIN(tst_KeyPreview)
#include "tst_KeyPreview.moc"
