#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/KeyedGrid.h"
#include "core/db/DbError.h"
#include "ui/print/FileChooser.h"
#include "ui/print/GridExporter.h"
#include "core/print/GridFormatStore.h"
#include "ui/print/GridRoutines.h"
#include "ui/print/PageSetDialog.h"
#include "ui/print/ZPPrinter.h"

namespace {

class ScriptedChooser : public FileChooser
{
public:
    ScriptedChooser() { FileChooser::setCurrent(this); }
    ~ScriptedChooser() override { FileChooser::setCurrent(nullptr); }
    QString saveFileName(const QString &, const QString &suggested, const QString &filters) override
    {
        asked << suggested;
        this->filters = filters;
        return answer;
    }
    QString answer;
    QStringList asked;
    QString filters;
};

const QColor kSubtotal(0xFF, 0xF2, 0xCC);

// A sale list as the screens build it: a hidden key column, a subtotal and a total line.
void fillGrid(KeyedGrid &g, int lines)
{
    g.setColumns({{"FDate", "日期", 90},
                  {"FName", "品名", 140},
                  {"FInterID", "隐藏列", 60, true},
                  {"FPhone", "电话", 100},
                  {"FAmount", "金额", 80, false, Qt::AlignRight | Qt::AlignVCenter}});
    for (int i = 1; i <= lines; ++i) {
        const int r = g.addRow();
        g.setText(r, "FDate", "2026-04-18");
        g.setText(r, "FName", QString("商品%1").arg(i, 3, 10, QChar('0')));
        g.setText(r, "FInterID", QString("ID%1").arg(i));
        g.setText(r, "FPhone", "13800000001");
        g.setText(r, "FAmount", QString::number(i * 1.5, 'f', 2));
    }
    int r = g.addRow();
    g.setText(r, "FName", "小计");
    g.setText(r, "FAmount", "1,234.50");
    g.setRowBackColor(r, kSubtotal);
    r = g.addRow();
    g.setText(r, "FName", "O'Neil, \"VIP\"\n第二行");
    g.setText(r, "FAmount", "-12.00");
}

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString nfkc(const QString &s)
{
    return s.normalized(QString::NormalizationForm_KC);
}

// A manager's station with a sale list of `lines` lines on screen; message boxes and the
// save dialogue are scripted.
struct Station
{
    explicit Station(int lines)
    {
        t.addUser(1, "店长", true);
        t.login(1, "店长");
        fillGrid(g, lines);
    }
    TestDb t;
    ScriptedPrompts prompts;
    ScriptedChooser chooser;
    KeyedGrid g;
};

} // namespace

class tst_GridRoutines : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }
    void cleanup() { DialogRunner::setScript({}); }

    void longGridPrintsHeaderOnEveryPage()
    {
        Station s(120);
        const QStringList titles{"出库明细表", "日期：2026-04-01 至 2026-04-30"};
        const QStringList footers{"制表：店长", "打印时间：2026-04-30 18:00:00"};
        ZPPrinter printer;
        printer.prepare(s.t.cnstr(), "frmSaleBillList", titles, s.g, footers);
        const QString pdf = s.t.dir() + "/grid.pdf";
        printer.writePdf(pdf);
        const QStringList pages = nfkc(run("pdftotext", {"-layout", pdf, "-"})).split('\f', Qt::SkipEmptyParts);
        QVERIFY(printer.pageCount() >= 3);
        QCOMPARE(pages.size(), printer.pageCount());
        int names = 0;
        for (int i = 0; i < pages.size(); ++i) {
            const QString &p = pages[i];
            QVERIFY2(p.contains("品名") && p.contains("金额") && p.contains("电话"), qPrintable(p));
            // "页" may come back as its radical form from the text layer.
            const auto m = QRegularExpression("第 (\\d+) .,共 (\\d+) .").match(p);
            QVERIFY2(m.hasMatch(), qPrintable(p));
            QCOMPARE(m.captured(1).toInt(), i + 1);
            QCOMPARE(m.captured(2).toInt(), int(pages.size()));
            QVERIFY(!p.contains("隐藏列") && !p.contains("ID1"));
            QCOMPARE(p.contains("出库明细表"), i == 0);
            QCOMPARE(p.contains(nfkc("制表：")), i == pages.size() - 1);
            names += int(p.count("商品"));
        }
        QCOMPARE(names, 120);
        QVERIFY(pages.first().contains("商品001"));
        QVERIFY(pages.last().contains("商品120"));
        QVERIFY(pages.last().contains(nfkc("打印时间：2026-04-30 18:00:00")));
        QVERIFY(pages.last().contains("1,234.50"));
    }

    void pageSetupStoredAndReadByAnotherInstance_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("confirmed") << true;
        QTest::newRow("cancelled") << false;
    }
    void pageSetupStoredAndReadByAnotherInstance()
    {
        QFETCH(bool, ok);
        Station s(3);
        const QString cnstr = s.t.cnstr();
        DialogRunner::setScript([&](QDialog &d) {
            auto &dlg = dynamic_cast<PageSetDialog &>(d);
            dlg.cmbPaper->setCurrentText("A5");
            QTest::mouseClick(dlg.optLandscape, Qt::LeftButton);
            dlg.txtLeft->setValue(5);
            dlg.txtTop->setValue(7.5);
            QTest::mouseClick(ok ? dlg.cmdOK : dlg.cmdCancel, Qt::LeftButton);
            return dlg.result();
        });
        GridPageSet(s.g, s.g.cols(), "frmOrderBillList");
        const GridFormatStore::PageSetup stored = GridFormatStore::pageSetup(cnstr, "frmOrderBillList");
        QCOMPARE(stored.paper, QString(ok ? "A5" : "A4"));
        QCOMPARE(stored.landscape, ok);
        QCOMPARE(stored.left, ok ? 5.0 : 15.0);
        QCOMPARE(stored.top, ok ? 7.5 : 15.0);
        QCOMPARE(GridFormatStore::pageSetup(cnstr, "frmSaleBillList"), GridFormatStore::PageSetup());

        ZPPrinter other;
        other.prepare(cnstr, "frmOrderBillList", {"订单明细表"}, s.g);
        QCOMPARE(other.pageLayout().orientation(), ok ? QPageLayout::Landscape : QPageLayout::Portrait);
        other.writePdf(s.t.dir() + "/o.pdf");
        QVERIFY(run("pdfinfo", {s.t.dir() + "/o.pdf"}).contains(ok ? "595 x 420" : "595 x 842"));
    }

    void widthsStoredAndApplied()
    {
        Station s(1);
        s.g.setColWidth("FName", 150);
        s.g.setColWidth("FPhone", 0);
        s.g.setColWidth("FInterID", 45); // shown on this station
        GridWriteWidth(s.g, "frmUnCplOrder");

        KeyedGrid b;
        fillGrid(b, 1);
        b.setHeader("FName", "商品名称");
        GridSetFormat(b, "frmUnCplOrder");
        QCOMPARE(b.colWidth("FName"), 150);
        QVERIFY(b.isColHidden("FPhone"));
        QCOMPARE(b.colWidth("FInterID"), 45);
        QCOMPARE(b.header("FName"), QString("商品名称")); // the header row is the screen's own
        QCOMPARE(b.text(1, "FName"), QString("商品001"));
    }

    void exportGrid_data()
    {
        QTest::addColumn<QString>("answer");   // relative to the test folder; "" cancels
        QTest::addColumn<QString>("written");  // the file expected, "" for none
        QTest::newRow("no suffix becomes xlsx") << "list" << "list.xlsx";
        QTest::newRow("csv") << "list.csv" << "list.csv";
        QTest::newRow("upper-case suffix") << "LIST.CSV" << "LIST.CSV";
        QTest::newRow("cancelled") << "" << "";
        QTest::newRow("unwritable place") << "no such folder/list.xlsx" << "";
    }
    void exportGrid()
    {
        QFETCH(QString, answer);
        QFETCH(QString, written);
        Station s(2);
        s.chooser.answer = answer.isEmpty() ? QString() : s.t.dir() + "/" + answer;
        QString error;
        try {
            GridExport(s.g, "出库/明细表");
        } catch (const db::DbError &e) {
            error = e.message();
        }
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(s.chooser.asked, QStringList{documents + "/出库_明细表.xlsx"});
        QVERIFY(s.chooser.filters.contains("*.xlsx") && s.chooser.filters.contains("*.csv"));
        if (written.isEmpty()) {
            // An unwritable file is an error naming it; neither it nor a cancel says "done".
            QVERIFY2(answer.isEmpty() ? error.isEmpty() : error.contains(s.chooser.answer), qPrintable(error));
            QVERIFY(s.prompts.shown.isEmpty());
            QCOMPARE(QDir(s.t.dir()).entryList({"list*", "LIST*"}), QStringList());
            return;
        }
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QString file = s.t.dir() + "/" + written;
        QCOMPARE(s.prompts.last(), "导出完成：\n" + file);
        if (written.endsWith(".csv", Qt::CaseInsensitive)) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromUtf8(f.readAll()),
                     QString("\uFEFF日期,品名,电话,金额\r\n"
                             "2026-04-18,商品001,13800000001,1.50\r\n"
                             "2026-04-18,商品002,13800000001,3.00\r\n"
                             ",小计,,\"1,234.50\"\r\n"
                             ",\"O'Neil, \"\"VIP\"\"\n第二行\",,-12.00\r\n"));
            return;
        }
        const QString sheet = run("unzip", {"-p", file, "xl/worksheets/sheet1.xml"});
        const QString strings = run("unzip", {"-p", file, "xl/sharedStrings.xml"});
        const QString styles = run("unzip", {"-p", file, "xl/styles.xml"});
        QVERIFY2(sheet.contains("<worksheet"), qPrintable(sheet));
        // Title in row 1, header in row 3, lines from row 4; amounts in column D as numbers.
        auto cell = [&](const QString &ref) {
            const QRegularExpression re("<c r=\"" + ref + "\"([^>]*)>(.*?)</c>");
            const auto m = re.match(sheet);
            return m.hasMatch() ? m.captured(1) + "|" + m.captured(2) : QString();
        };
        for (const auto &[ref, value] : {std::pair{"D4", "1.5"}, {"D5", "3"}, {"D6", "1234.5"}, {"D7", "-12"}}) {
            const QString c = cell(ref);
            QVERIFY2(!c.contains("t=\"s\"") && c.contains(QString("<v>%1</v>").arg(value)), qPrintable(ref + c));
        }
        QVERIFY(cell("C4").contains("t=\"s\"")); // the phone number stays text
        QVERIFY(cell("A3").contains("t=\"s\""));
        QVERIFY(strings.contains("出库/明细表") && strings.contains("商品001") && strings.contains("电话"));
        QVERIFY(!strings.contains("隐藏列") && !strings.contains("ID1"));
        QVERIFY(styles.contains("FFFFF2CC")); // the subtotal's back colour
    }
};

QTEST_MAIN(tst_GridRoutines)
#include "tst_GridRoutines.moc"
