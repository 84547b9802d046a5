#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "core/base/CoreError.h"
#include "core/frame/KwStore.h"
#include "ui/widgets/EnterMovesFocus.h"
#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/KeyedGrid.h"
#include "ui/widgets/SelectOnFocus.h"
#include "ui/widgets/WindowFit.h"

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

// The shape of a sale grid: a hidden id, a name, a quantity the cashier may type, a price.
struct SaleGrid : KeyedGrid
{
    SaleGrid()
    {
        setColumns({{"FItemID", "ID", 60, true},
                    {"FName", "品名", 120},
                    {"FQty", "数量", 60, false, Qt::AlignRight | Qt::AlignVCenter},
                    {"FPrice", "单价", 70, false, Qt::AlignRight | Qt::AlignVCenter}});
    }
};

} // namespace

class tst_Widgets : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        qputenv("KWPOS_CONFIG_DIR", m_dir->path().toUtf8());
    }

    // A window fits the screen it opens on, at the size this station remembers for it.
    void apply_data()
    {
        QTest::addColumn<QSize>("size");     // as the window was built
        QTest::addColumn<QString>("stored"); // remembered on this station
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QSize>("expected");
        const QRect counter(0, 0, 1024, 740); // 1024 × 768 with a panel at the bottom
        QTest::newRow("fits") << QSize(400, 300) << "" << counter << QSize(400, 300);
        QTest::newRow("second screen") << QSize(1300, 900) << "" << QRect(1280, 0, 800, 600) << QSize(800, 600);
        QTest::newRow("remembered size") << QSize(400, 300) << "700x500" << counter << QSize(700, 500);
        QTest::newRow("remembered unreadable") << QSize(400, 300) << "wide" << counter << QSize(400, 300);
    }
    void apply()
    {
        QFETCH(QSize, size);
        QFETCH(QString, stored);
        QFETCH(QRect, available);
        QFETCH(QSize, expected);
        if (!stored.isEmpty())
            KwStore::set("KwStore", "WindowSize", "frmTest", stored);
        QWidget w;
        w.setObjectName("frmTest");
        w.resize(size);
        WindowFit::apply(w, available);
        QCOMPARE(w.size(), expected);
        QVERIFY(available.contains(QRect(w.pos(), w.size())));
    }

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

    // A watched box (a combo by its edit line) the focus reaches offers its text for
    // overtyping, once the click has placed the cursor; an unwatched one is left alone.
    void selectOnFocus()
    {
        Form f;
        SelectOnFocus::watch({f.b, f.c});
        const QList<std::pair<QWidget *, QLineEdit *>> boxes{
            {f.a, f.a}, {f.b, f.b}, {f.c, f.c->lineEdit()}};
        QStringList selected;
        for (const auto &[box, edit] : boxes) {
            edit->setText(QStringLiteral("12"));
            edit->deselect();
            box->setFocus(Qt::MouseFocusReason);
            QCoreApplication::processEvents();
            selected << edit->selectedText();
        }
        QCOMPARE(selected, (QStringList{QString(), "12", "12"}));
    }

    // Keys in any case; an unknown key or a line past the end is warned about, not a crash;
    // the header row stays when lines are removed.
    void keys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("col");
        QTest::newRow("lower") << "fqty" << 2;
        QTest::newRow("unknown") << "FAmount" << -1;
    }
    void keys()
    {
        QFETCH(QString, key);
        QFETCH(int, col);
        SaleGrid g;
        QCOMPARE(g.colIndex(key), col);
        const int r = g.addRow();
        if (col < 0) {
            // A misspelt key is the program's fault: warned about, and nothing happens.
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no column"));
            QCOMPARE(g.text(r, key), QString());
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no column"));
            g.setText(r, key, "1");
            return;
        }
        g.setText(r, key, "7.5kg");
        QCOMPARE(g.text(r, g.colKey(col)), QStringLiteral("7.5kg"));
        QCOMPARE(g.value(r, key.toUpper()), 7.5); // the leading number
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no row 5"));
        g.setText(5, key, "x"); // no such line: warned, nothing written
        QCOMPARE(g.text(5, key), QString()); // reading past the end is empty
        g.removeGridRow(0);
        g.removeGridRow(r);
        QCOMPARE((QStringList{QString::number(g.rows()), g.text(0, key)}), (QStringList{"1", g.header(key)}));
    }

    // A warning shows with the exclamation icon, anything else as information, and the focus
    // goes to the field a refusal names. After a save every step is tried and what failed is
    // told once, each failure after its prefix, below the heading; nothing when all went well.
    void errorsShown()
    {
        ScriptedPrompts prompts;
        QDialog form;
        auto *layout = new QVBoxLayout(&form);
        for (const char *name : {"txtA", "txtB"}) {
            auto *field = new QLineEdit(&form);
            field->setObjectName(name);
            layout->addWidget(field);
        }
        form.show();
        showError(CoreError::warning("收款金额不足!", "txtB"), &form);
        QCOMPARE(form.focusWidget()->objectName(), "txtB");
        showError(CoreError("连接已断开"), &form);
        AfterSave fine;
        fine.attempt([] {});
        fine.report();
        AfterSave sale;
        sale.attempt([] { throw CoreError("打开钱箱失败：端口忙"); });
        sale.attempt([] {});
        sale.attempt([] { throw std::runtime_error("no paper"); }, "打印：");
        sale.report();
        AfterSave order{QString()};
        order.attempt([] { throw CoreError("端口忙"); }, "订单已保存，钱箱打开失败：");
        order.report();
        QStringList told;
        for (const ScriptedPrompts::Entry &e : prompts.shown)
            told << (e.icon == Prompts::Icon::Exclamation ? "! " : "i ") + e.text;
        QCOMPARE(told, (QStringList{"! 收款金额不足!", "i 连接已断开",
                                    "i 单据已保存。\n打开钱箱失败：端口忙\n打印：no paper",
                                    "i 订单已保存，钱箱打开失败：端口忙"}));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_MAIN(tst_Widgets)
#include "tst_Widgets.moc"
