#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "app/DialogRunner.h"
#include "app/KeyedGrid.h"
#include "app/db/Database.h"
#include "app/db/DbError.h"
#include "app/print/FileChooser.h"
#include "app/print/GridFormatStore.h"
#include "app/print/frmVipReport.h"

namespace {

const QDate D(2026, 3, 1);

void move(const TestDb &t, int type, const QDate &date, double k, double cz, const QString &remark, int sec = 0)
{
    db::execute(t.cnstr(),
                "insert into VipCzBill (FVipNo, FOwner, FTranType, FDate, FCreateTime, FBillerID, FKAmount,"
                " FCzAmount, FZsAmount, FRemark) values (?,?,?,?,?,?,?,?,?,?)",
                {"V7", "赵敏", type, date, QDateTime(date, QTime(10, 0, sec)), 1, k, cz, k - cz, remark});
}

void seed(const TestDb &t)
{
    t.addUser(1, "店长", true);
    t.login(1, "店长");
    move(t, 1, D, 550, 500, "充值送50");
    move(t, 1, D.addDays(1), -100, -100, "退款");
    move(t, 2, D.addDays(2), 30, 0, "销售付款", 1);
    move(t, 2, D.addDays(2), 20.5, 0, "订单付款", 2);
}

QStringList column(const KeyedGrid &g, const QString &key)
{
    QStringList out;
    for (int r = 1; r < g.rows(); ++r)
        out << g.text(r, key);
    return out;
}

class CsvChooser : public FileChooser
{
public:
    CsvChooser() { FileChooser::setCurrent(this); }
    ~CsvChooser() override { FileChooser::setCurrent(nullptr); }
    QString saveFileName(const QString &, const QString &, const QString &) override { return path; }
    QString path;
};

} // namespace

class tst_frmVipReport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }
    void cleanup() { DialogRunner::setScript({}); }

    void statementRunningBalanceByEnter()
    {
        TestDb t;
        seed(t);
        ScriptedPrompts prompts;
        frmVipReport f(t.cnstr(), 1, 109);
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QCOMPARE(f.windowTitle(), QString("会员对账单"));
        QCOMPARE(f.FlexReport->rows(), 1); // a statement waits for its card
        f.dtpFrom->setDate(D);
        f.dtpTo->setDate(D.addDays(30));
        f.txtVipNo->setFocus();
        QTest::keyClicks(f.txtVipNo, "V7");
        QTest::keyClick(f.txtVipNo, Qt::Key_Return);
        QVERIFY(prompts.shown.isEmpty());
        QCOMPARE(column(*f.FlexReport, "FKind"), QStringList({"期初余额", "充值", "退款", "消费", "消费", ""}));
        QCOMPARE(f.FlexReport->text(f.FlexReport->rows() - 1, "FDate"), QString("合计"));
        QCOMPARE(column(*f.FlexReport, "FBal"),
                 QStringList({"0.00", "550.00", "450.00", "420.00", "399.50", "399.50"}));
        QCOMPARE(column(*f.FlexReport, "FOut"), QStringList({"", "", "100.00", "30.00", "20.50", "150.50"}));
        QCOMPARE(column(*f.FlexReport, "FIn"), QStringList({"", "550.00", "", "", "", "550.00"}));
        const int total = f.FlexReport->rows() - 1;
        QVERIFY(f.FlexReport->backColor(total, "FBal").isValid());
        QVERIFY(!f.FlexReport->backColor(2, "FBal").isValid());
        QCOMPARE(f.lblOwner->text(), QString("持卡人：赵敏"));
    }

    void statementWithoutCard()
    {
        TestDb t;
        seed(t);
        ScriptedPrompts prompts;
        frmVipReport f(t.cnstr(), 1, 109);
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        f.txtVipNo->setFocus();
        QTest::keyClick(f.txtVipNo, Qt::Key_Return);
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].icon, Prompts::Icon::Exclamation);
        QCOMPARE(prompts.last(), QString("请输入会员卡号！"));
        QCOMPARE(QApplication::focusWidget(), f.txtVipNo);
        QTest::mouseClick(f.cmdPrint, Qt::LeftButton);
        QCOMPARE(prompts.last(), QString("没有数据！"));
    }

    void enterMovesThroughDates()
    {
        TestDb t;
        seed(t);
        ScriptedPrompts prompts;
        frmVipReport f(t.cnstr(), 1, 106);
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        f.dtpFrom->setFocus();
        QTest::keyClick(f.dtpFrom, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), f.dtpTo);
    }

    void reportsOpenOnDemoData_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("totalKey");
        QTest::newRow("103") << 103 << "充值明细表" << "FKAmount";
        QTest::newRow("104") << 104 << "充值消费汇总表" << "FEndBal";
        QTest::newRow("106") << 106 << "充值消费流水帐" << "FIn";
    }
    void reportsOpenOnDemoData()
    {
        QFETCH(int, number);
        QFETCH(QString, title);
        QFETCH(QString, totalKey);
        TestDb t(TestDb::Content::Demo);
        t.login(1, "店长");
        ScriptedPrompts prompts;
        QString seen;
        DialogRunner::setScript([&](QDialog &d) {
            auto &f = dynamic_cast<frmVipReport &>(d);
            f.dtpFrom->setDate(QDate::currentDate().addDays(-60));
            QTest::mouseClick(f.cmdQuery, Qt::LeftButton);
            const int total = f.FlexReport->rows() - 1;
            seen = f.windowTitle() + "|" + f.FlexReport->text(total, f.FlexReport->colKey(0)) + "|" +
                   QString::number(total > 1) + "|" + QString::number(f.FlexReport->value(total, totalKey) > 0);
            return 0;
        });
        runreport(t.cnstr(), 1, short(number));
        QCOMPARE(seen, title + "|合计|1|1");
        QVERIFY(prompts.shown.isEmpty());
    }

    void unknownReportNumber()
    {
        TestDb t;
        QVERIFY_THROWS_EXCEPTION(db::DbError, runreport(t.cnstr(), 1, 105));
    }

    void printAndExport()
    {
        TestDb t;
        seed(t);
        ScriptedPrompts prompts;
        frmVipReport f(t.cnstr(), 1, 103);
        f.dtpFrom->setDate(D);
        f.dtpTo->setDate(D.addDays(30));
        QTest::mouseClick(f.cmdQuery, Qt::LeftButton);
        QString previewTitle;
        DialogRunner::setScript([&](QDialog &d) {
            if (qobject_cast<QPrintPreviewDialog *>(&d))
                previewTitle = d.windowTitle();
            return 0;
        });
        QTest::mouseClick(f.cmdPrint, Qt::LeftButton);
        QCOMPARE(previewTitle, QString("打印预览 - 充值明细表"));

        CsvChooser chooser;
        chooser.path = t.dir() + "/r.csv";
        QTest::mouseClick(f.cmdExport, Qt::LeftButton);
        QFile csv(chooser.path);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(csv.readAll()).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4); // header, recharge, refund, total
        QVERIFY(lines[1].contains(",充值,500.00,50.00,550.00,"));
        QVERIFY(lines[3].startsWith("合计,2笔,"));
        QCOMPARE(prompts.last(), "导出完成：\n" + chooser.path);
    }

    void resizedColumnsAreKept()
    {
        TestDb t;
        seed(t);
        ScriptedPrompts prompts;
        {
            frmVipReport f(t.cnstr(), 1, 104);
            f.show();
            QVERIFY(QTest::qWaitForWindowExposed(&f));
            const int c = f.FlexReport->colIndex("FOwner");
            f.FlexReport->horizontalHeader()->resizeSection(c, 150);
            f.FlexReport->horizontalHeader()->resizeSection(c, 177);
            QVERIFY(GridFormatStore::widths(t.cnstr(), "frmVipReport104").isEmpty()); // not while dragging
            QTest::mouseClick(f.cmdClose, Qt::LeftButton);
            QVERIFY(!f.isVisible());
        }
        QCOMPARE(GridFormatStore::widths(t.cnstr(), "frmVipReport104").value(1).width, 177);
        frmVipReport again(t.cnstr(), 1, 104);
        QCOMPARE(again.FlexReport->colWidth("FOwner"), 177);
    }
};

QTEST_MAIN(tst_frmVipReport)
#include "tst_frmVipReport.moc"
