#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "ui/print/FileChooser.h"
#include "ui/print/GridExporter.h"
#include "ui/print/GridRoutines.h"
#include "ui/print/ZPPrinter.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

struct ScriptedChooser : FileChooser
{
    ScriptedChooser() { FileChooser::setCurrent(this); }
    ~ScriptedChooser() override { FileChooser::setCurrent(nullptr); }
    QString saveFileName(const QString &, const QString &suggested, const QString &) override
    {
        asked << suggested;
        return answer;
    }
    QString answer;
    QStringList asked;
};

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
}

// A manager's station with a sale list as the screens build it, with a hidden key column.
struct Station
{
    explicit Station(int lines)
    {
        t.addUser(1, "店长", true);
        t.login(1, "店长");
        g.setColumns(
            {{"FName", "品名", 140}, {"FInterID", "隐藏列", 60, true}, {"FAmount", "金额", 80}});
        for (int i = 1; i <= lines; ++i) {
            const int r = g.addRow();
            g.setText(r, "FName", QString("商品%1").arg(i, 3, 10, QChar('0')));
            g.setText(r, "FInterID", QString("ID%1").arg(i));
            g.setText(r, "FAmount", QString::number(i * 1.5, 'f', 2));
        }
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

    // A long list: the header and "page n of m" on every page, titles first, footers last,
    // every line once and the hidden column nowhere.
    void longGridPrintsHeaderOnEveryPage()
    {
        Station s(120);
        ZPPrinter printer;
        printer.prepare(s.t.cnstr(), "frmSaleBillList", {"出库明细表"}, s.g, {"制表：店长"});
        printer.writePdf(s.t.dir() + "/grid.pdf");
        const QStringList pages = run("pdftotext", {"-layout", s.t.dir() + "/grid.pdf", "-"})
                                      .split('\f', Qt::SkipEmptyParts);
        QVERIFY(printer.pageCount() >= 3);
        QCOMPARE(pages.size(), printer.pageCount());
        int names = 0;
        for (int i = 0; i < pages.size(); ++i) {
            const QString &p = pages[i];
            const QString pageOf = QString("第 %1 .,共 %2 .").arg(i + 1).arg(pages.size());
            QVERIFY2(p.contains("品名") && p.contains(QRegularExpression(pageOf)) &&
                         !p.contains("ID1"),
                     qPrintable(p));
            QCOMPARE(p.contains("出库明细表"), i == 0);
            QCOMPARE(p.contains(QString("制表：").normalized(QString::NormalizationForm_KC)),
                     i == pages.size() - 1);
            names += int(p.count("商品"));
        }
        QCOMPARE(names, 120);
    }

    void exportGrid_data()
    {
        QTest::addColumn<QString>("answer");  // relative to the test folder; "" cancels
        QTest::addColumn<QString>("written"); // the file expected, "" for none
        // clang-format off
        QTest::newRow("no suffix becomes xlsx") << "list" << "list.xlsx";
        QTest::newRow("csv, any case") << "LIST.CSV" << "LIST.CSV";
        QTest::newRow("cancelled") << "" << "";
        QTest::newRow("unwritable place") << "no such folder/list.xlsx" << "";
        // clang-format on
    }
    void exportGrid()
    {
        QFETCH(QString, answer);
        QFETCH(QString, written);
        Station s(2);
        s.chooser.answer = answer.isEmpty() ? QString() : s.t.dir() + "/" + answer;
        const QString error = TestDb::refusalOf([&] { GridExport(s.g, "出库/明细表"); });
        QCOMPARE(s.chooser.asked,
                 QStringList{QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                             "/出库_明细表.xlsx"});
        if (written.isEmpty()) {
            // An unwritable file is an error naming it; neither it nor a cancel says "done".
            QVERIFY2(answer.isEmpty() ? error.isEmpty() : error.contains(s.chooser.answer),
                     qPrintable(error));
            QVERIFY(s.prompts.shown.isEmpty());
            return;
        }
        const QString file = s.t.dir() + "/" + written;
        QCOMPARE(s.prompts.last(), "导出完成：\n" + file);
        if (written.endsWith(".CSV")) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadOnly));
            // The hidden column stays out; how cells are quoted is the snapshot's own case.
            QVERIFY(
                QString::fromUtf8(f.readAll()).startsWith("\uFEFF品名,金额\r\n商品001,1.50\r\n"));
            return;
        }
        // Amounts go into the sheet as numbers, names as shared strings.
        const QString sheet = run("unzip", {"-p", file, "xl/worksheets/sheet1.xml"});
        QVERIFY2(sheet.contains("<v>3</v>"), qPrintable(sheet));
        QVERIFY(!run("unzip", {"-p", file, "xl/sharedStrings.xml"}).contains("ID1"));
    }
};

QTEST_MAIN(tst_GridRoutines)
#include "tst_GridRoutines.moc"
