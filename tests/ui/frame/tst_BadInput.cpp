#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "ui/frame/FrmMain.h"
#include "ui/print/FileChooser.h"
#include "ui/widgets/DialogRunner.h"

namespace {

// Rubbish a cashier can type, or paste.
QList<std::pair<const char *, QString>> rubbish()
{
    return {
        {"sql and quotes", QStringLiteral("'\"; drop table t_user; --")},
        {"10000 characters", QString(10000, QLatin1Char('9'))},
        {"emoji and CJK", QStringLiteral("🐄牛奶😀")},
        {"overflow", QStringLiteral("1e309")},
        {"empty", QString()},
    };
}

// What a save would change: the row counts of bills, orders and movements, and the members'
// details kept on their orders.
QString stored(const QString &cnstr)
{
    return TestDb::dump(cnstr, "select (select count(*) from ICStockBill),"
                               " (select count(*) from ICStockBillEntry),"
                               " (select count(*) from VipOrder), (select count(*) from VipOrderEntry),"
                               " (select count(*) from VipCzBill)") +
           " " + TestDb::dump(cnstr, "select FVipNo, FOwner, FPhone, FVipID from VipOrder order by FInterID");
}

// Types as a person would: real keys for short plain text, an input method's commit for
// anything else (that is how CJK and emoji arrive, and a paste of 10,000 characters).
void typeInto(QWidget *field, const QString &text)
{
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    bool plain = text.size() < 100;
    for (QChar c : text)
        plain = plain && c.unicode() < 0x80;
    if (plain) {
        QTest::keyClicks(field, text);
    } else {
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(field->focusProxy() ? field->focusProxy() : field, &commit);
    }
}

bool editable(QWidget *w)
{
    if (!w->isVisible() || !w->isEnabled())
        return false;
    // The line edit inside a spin box or combo box is typed into through its owner.
    if (qobject_cast<QAbstractSpinBox *>(w->parentWidget()) ||
        qobject_cast<QComboBox *>(w->parentWidget()))
        return false;
    for (const char *type : {"QLineEdit", "QTextEdit", "QPlainTextEdit", "QSpinBox", "QDoubleSpinBox"})
        if (w->inherits(type))
            return !w->property("readOnly").toBool();
    auto *c = qobject_cast<QComboBox *>(w);
    return c && c->isEditable();
}

// The operator cancels every save-file dialogue (exports).
class CancelFiles : public FileChooser
{
public:
    CancelFiles() { FileChooser::setCurrent(this); }
    ~CancelFiles() override { FileChooser::setCurrent(nullptr); }
    QString saveFileName(const QString &, const QString &, const QString &) override { return {}; }
};

// Opens every window the main window's commands open, and every dialogue of ours those open
// in turn (through their buttons too), fills each field with one text and presses the confirm
// keys. Questions are answered No and inner dialogues are cancelled after their walk, so
// nothing may be stored.
class Walker
{
public:
    Walker(FrmMain &main, const QString &cnstr, const QString &text)
        : m_main(main), m_cnstr(cnstr), m_text(text)
    {
        m_prompts.answers = QList<bool>(100000, false);
        DialogRunner::setScript([this](QDialog &d) {
            // Print previews and file choosers belong to devices; ours start with "frm".
            if (m_open.size() < 3 && QByteArray(d.metaObject()->className()).startsWith("frm"))
                walk(d);
            return int(QDialog::Rejected);
        });
        // A message box or dialogue shown around the runner would block the counter: note
        // it and close it so the run goes on.
        m_watch.setInterval(20);
        QObject::connect(&m_watch, &QTimer::timeout, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (modal && !m_open.contains(modal)) {
                m_faults << QStringLiteral("blocking window %1 in %2")
                                .arg(QLatin1String(modal->metaObject()->className()), m_where);
                modal->close();
            }
        });
        m_watch.start();
    }
    ~Walker() { DialogRunner::setScript({}); }

    void run(const QString &tool)
    {
        m_where = tool;
        const QWidgetList before = QApplication::topLevelWidgets();
        m_main.actBar_ToolClick(tool);
        // Modeless windows are still open: walk them here, then close them.
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (before.contains(w) || !w->isVisible() || qobject_cast<QMenu *>(w))
                continue;
            const QPointer<QWidget> guard(w);
            walk(*w);
            if (guard) {
                guard->hide();
                guard->deleteLater();
            }
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QStringList faults() const { return m_faults; }
    QStringList walked() const { return m_walked; }

private:
    void walk(QWidget &w)
    {
        m_open << &w;
        m_walked << QLatin1String(w.metaObject()->className());
        w.show();
        w.activateWindow();
        // Focus moves, and the lookups on leaving a field run, only in the active window.
        if (!QTest::qWaitForWindowActive(&w))
            m_faults << QStringLiteral("%1 never became active").arg(m_where);
        const QString start = stored(m_cnstr);
        QList<QPointer<QWidget>> fields;
        for (QWidget *f : w.findChildren<QWidget *>())
            if (f->window() == &w && editable(f))
                fields << f;
        for (const QPointer<QWidget> &f : fields)
            if (f && f->isVisible() && f->isEnabled() && f->window() == &w)
                typeInto(f, m_text);
        for (QAbstractItemView *grid : w.findChildren<QAbstractItemView *>())
            fillGrid(grid);
        check(start, QStringLiteral("typing"));
        const QPointer<QWidget> guard(&w);
        confirm(w);
        check(start, QStringLiteral("confirm keys"));
        // Then every other button once, which reaches the inner dialogues; the ones that
        // close the window last, so the buttons after them are reached too.
        QList<QPointer<QPushButton>> buttons, closing;
        static const QRegularExpression closes(QStringLiteral("exit|close|cancel"),
                                               QRegularExpression::CaseInsensitiveOption);
        for (QPushButton *b : w.findChildren<QPushButton *>())
            if (b->window() == &w && !b->isDefault())
                (closes.match(b->objectName()).hasMatch() ? closing : buttons) << b;
        buttons += closing;
        for (const QPointer<QPushButton> &b : buttons)
            if (guard && guard->isVisible() && b && b->isVisible() && b->isEnabled())
                b->click();
        check(start, QStringLiteral("buttons"));
        m_open.removeAll(&w);
    }

    void fillGrid(QAbstractItemView *grid)
    {
        if (!grid->isVisible() || grid->editTriggers() == QAbstractItemView::NoEditTriggers ||
            !grid->model())
            return;
        QAbstractItemModel *m = grid->model();
        for (int row = 0; row < qMin(2, m->rowCount()); ++row)
            for (int col = 0; col < m->columnCount(); ++col) {
                const QModelIndex i = m->index(row, col);
                if (!(m->flags(i) & Qt::ItemIsEditable))
                    continue;
                grid->setCurrentIndex(i);
                grid->edit(i);
                QWidget *editor = QApplication::focusWidget();
                if (!editor || editor == grid || !grid->isAncestorOf(editor))
                    continue;
                typeInto(editor, m_text);
                QTest::keyClick(editor, Qt::Key_Return);
            }
    }

    // Enter where the focus is, "+", Ctrl+S, then the default button: each only while the
    // window is still open.
    void confirm(QWidget &w)
    {
        const QPointer<QWidget> guard(&w);
        const auto open = [&] { return guard && guard->isVisible(); };
        for (const QKeyCombination k : {QKeyCombination(Qt::Key_Return), QKeyCombination(Qt::Key_Plus),
                                        QKeyCombination(Qt::ControlModifier, Qt::Key_S)}) {
            QWidget *f = QApplication::focusWidget();
            if (open())
                QTest::keyClick(f && f->window() == &w ? f : &w, k.key(), k.keyboardModifiers());
        }
        if (!open())
            return;
        for (QPushButton *b : w.findChildren<QPushButton *>())
            if (b->isDefault() && b->isVisible() && b->isEnabled()) {
                b->click();
                return;
            }
    }

    void check(const QString &start, const QString &step)
    {
        if (stored(m_cnstr) != start)
            m_faults << QStringLiteral("%1 stored something after %2").arg(m_where, step);
        for (const ScriptedPrompts::Entry &e : m_prompts.shown) {
            if (e.text.trimmed().isEmpty())
                m_faults << QStringLiteral("%1 showed an empty message").arg(m_where);
            // Text reaching the engine as SQL instead of as a value.
            if (e.text.contains(QLatin1String("syntax error"), Qt::CaseInsensitive))
                m_faults << QStringLiteral("%1: %2").arg(m_where, e.text);
        }
    }

    FrmMain &m_main;
    QString m_cnstr, m_text, m_where;
    ScriptedPrompts m_prompts;
    CancelFiles m_files;
    QTimer m_watch;
    QList<QWidget *> m_open;
    QStringList m_faults, m_walked;
};

} // namespace

class tst_BadInput : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // Every command of the main window, with every field of every window it reaches.
    void everyField_data()
    {
        QTest::addColumn<QString>("text");
        for (const auto &[name, text] : rubbish())
            QTest::newRow(name) << text;
    }
    void everyField()
    {
        QFETCH(QString, text);
        TestDb t(TestDb::Content::Demo);
        t.login(1, QStringLiteral("店长"));
        FrmMain main;
        main.Form_Load();
        main.show();
        Walker walker(main, t.cnstr(), text);
        for (QAction *a : main.menuBar()->findChildren<QAction *>()) {
            if (a->objectName().isEmpty() || a->menu() || a->objectName() == u"MnuExit")
                continue;
            walker.run(a->objectName());
        }
        QVERIFY2(walker.faults().isEmpty(), qPrintable(walker.faults().join(QLatin1Char('\n'))));
        // The walk did reach the windows (a sale screen, an order screen and the account-set
        // manager with its new-shop dialogue at least).
        QVERIFY2(walker.walked().contains(QStringLiteral("frmSaleBill")) &&
                     walker.walked().contains(QStringLiteral("frmOrderbill")) &&
                     walker.walked().contains(QStringLiteral("frmAccountSets")) &&
                     walker.walked().contains(QStringLiteral("frmNewAccount")),
                 qPrintable(walker.walked().join(QLatin1Char(' '))));
        // And every window of the back office, with the dialogs its buttons open.
        for (const char *form : {"frmItemList", "frmItemEdit", "frmPackCode", "frmPriceStyle", "frmNameEdit",
                                 "frmStock", "frmUserList", "frmUserEdit", "frmUserPassword", "frmVipList",
                                 "frmImport"})
            QVERIFY2(walker.walked().contains(QLatin1String(form)), form);
    }
};

QTEST_MAIN(tst_BadInput)
#include "tst_BadInput.moc"
