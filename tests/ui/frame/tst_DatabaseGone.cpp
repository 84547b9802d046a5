#include <functional>
#include <memory>

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/db/Database.h"
#include "core/demo/DemoData.h"
#include "core/frame/Session.h"
#include "ui/members/frmVipCz.h"
#include "ui/orders/frmOrderbill.h"
#include "ui/pos/frmSaleBill.h"
#include "ui/pos/frmVipSettle.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

// The settlement pays everything in cash.
int payCash(QDialog &dialog)
{
    auto &d = dynamic_cast<frmVipSettle &>(dialog);
    d.show();
    d.txtGetReserve->setFocus();
    d.txtGetReserve->selectAll();
    QTest::keyClicks(d.txtGetReserve, QStringLiteral("0"));
    d.txtAmount->setFocus();
    QTest::keyClicks(d.txtAmount, QStringLiteral("1000"));
    QTest::keyClick(d.txtAmount, Qt::Key_Plus);
    return d.result();
}

// What the cashier has typed or added: every text box and every grid's line count.
QString typing(QWidget *w)
{
    QStringList out;
    for (const QLineEdit *e : w->findChildren<QLineEdit *>())
        out << e->text();
    for (const KeyedGrid *g : w->findChildren<KeyedGrid *>())
        out << QString::number(g->rows());
    return out.join(u'|');
}

// One window with something typed, the action that needs the server, and the table that
// holds one more row once it worked.
struct Case
{
    std::function<QWidget *()> open;
    std::function<void(QWidget *)> act;
    QString table;
};

const QMap<QString, Case> Cases = {
    {"sale bill",
     {[] {
          auto *f = new frmSaleBill;
          f->chkNoPrint->setChecked(true);
          f->txtBarcode->setText("101");
          f->txtBarcode_LostFocus();
          f->txtQty->setText("2");
          f->cmdAdd_Click();
          return f;
      },
      [](QWidget *w) {
          QTest::keyClick(static_cast<frmSaleBill *>(w)->txtBarcode, Qt::Key_S, Qt::ControlModifier);
      },
      "ICStockBill"}},
    {"order bill",
     {[] {
          auto *f = new frmOrderbill;
          f->chkNoPrint->setChecked(true);
          f->txtVipNo->setText("V0002");
          f->txtVipNo_LostFocus();
          f->txtBarcode->setText("102");
          f->txtBarcode_LostFocus();
          f->txtQty->setText("30");
          f->txtPreQty->setText("10");
          f->cmdAdd_Click();
          return f;
      },
      [](QWidget *w) { QTest::keyClick(static_cast<frmOrderbill *>(w)->txtBarcode, Qt::Key_Plus); },
      "VipOrder"}},
    {"recharge",
     {[] {
          auto *f = new frmVipCz;
          f->txtVipNo->setText("V0001");
          f->txtVipNo_LostFocus();
          f->txtCzAmount->setText("50");
          return f;
      },
      [](QWidget *w) { static_cast<frmVipCz *>(w)->cmdSave(); }, "VipCzBill"}},
};

int count(const QString &table)
{
    return db::scalar(Session::current().Cnstr, "select count(*) from " + table).toInt();
}

} // namespace

class tst_DatabaseGone : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!TestDb::isPostgres())
            QSKIP("an embedded SQLite file has no server that could go away mid-day");
        KWPOS_REQUIRE_ENGINE();
        qputenv("KWPOS_CONFIG_DIR", (m_dir.path() + QStringLiteral("/config")).toUtf8());
        qputenv("KWPOS_SPOOL_DIR", (m_dir.path() + QStringLiteral("/spool")).toUtf8());
        // The server runs as its own user (as root, "postgres"), which must reach its folder.
        QFile::setPermissions(m_dir.path(), QFile::permissions(m_dir.path()) | QFile::ExeOther | QFile::ExeGroup);
        m_cnstr = cluster("start");
        DemoData::create(m_cnstr);
        Session &s = Session::current();
        s.UserID = 1;
        s.UserName = QStringLiteral("店长");
        s.acctname = QStringLiteral("测试帐套");
        s.Cnstr = m_cnstr;
        s.RetailPriceStyleID = 1;
        DialogRunner::setScript(payCash); // the sale and the order are paid in cash
    }
    void cleanupTestCase()
    {
        db::closeAll();
        if (!m_cnstr.isEmpty())
            cluster("stop");
    }

    // The server stops with something typed: the action shows the engine's message and
    // leaves the typing alone; once the server is back the same action works, in the same
    // window, on the program's same connections.
    void serverStopsMidDay_data()
    {
        QTest::addColumn<QString>("name");
        for (const QString &name : Cases.keys())
            QTest::newRow(qPrintable(name)) << name;
    }
    void serverStopsMidDay()
    {
        QFETCH(QString, name);
        const Case c = Cases.value(name);
        ScriptedPrompts prompts;
        prompts.answers = {true, true, false}; // confirm twice; no print
        std::unique_ptr<QWidget> w(c.open());
        w->show();
        const QString typed = typing(w.get());
        const int before = count(c.table);

        cluster("halt");
        c.act(w.get());
        const QStringList down = prompts.texts();
        cluster("resume");
        // The connection the server refused: libpq's own words.
        QVERIFY2(!down.isEmpty() &&
                     down.last().contains(QLatin1String("server"), Qt::CaseInsensitive),
                 qPrintable(down.join(u'|')));
        QCOMPARE(typing(w.get()), typed);
        QCOMPARE(count(c.table), before);

        prompts.clear();
        c.act(w.get());
        QVERIFY2(count(c.table) == before + 1, qPrintable(prompts.texts().join(u'|')));
    }

private:
    // A server of the test's own, so that stopping it disturbs no other test.
    QString cluster(const QString &command)
    {
        QProcess p;
        p.start("bash", {KWPOS_SOURCE_DIR "/scripts/pg-cluster.sh", command, m_dir.path() + "/pg"});
        if (!p.waitForFinished(120000) || p.exitCode() != 0)
            qFatal("pg-cluster.sh %s failed: %s", qPrintable(command), p.readAllStandardError().constData());
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    QTemporaryDir m_dir;
    QString m_cnstr;
};

QTEST_MAIN(tst_DatabaseGone)
#include "tst_DatabaseGone.moc"
