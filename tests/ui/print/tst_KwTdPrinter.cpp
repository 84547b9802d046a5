#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/frame/KwStore.h"
#include "core/pos/MemberOrders.h"
#include "core/pos/SaleBill.h"
#include "core/pos/SaleReceipt.h"
#include "core/print/PrintTypes.h"
#include "core/print/TemplateLibrary.h"
#include "core/print/TemplateStore.h"
#include "ui/print/DevicePort.h"
#include "ui/print/FileChooser.h"
#include "ui/print/GridRoutines.h"
#include "ui/print/KwTdPrinter.h"
#include "ui/print/ZPPrinter.h"
#include "ui/print/frmTdDesigner.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

QByteArray readSome(int fd)
{
    char buf[64];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    return n > 0 ? QByteArray(buf, int(n)) : QByteArray();
}

// The sale receipt as the counter hands it over: an ordinary line and a pick-up line.
RecordSet saleReceipt()
{
    SaleBill bill;
    bill.date = QDate(2026, 4, 18);
    bill.vipNo = "V0004";
    bill.owner = "O'Neil";
    bill.add(2, "草莓酸奶 150g", 2, Money::parse("3.20"));
    const OpenOrderLine l{.date = {}, .name = "鲜牛奶 250ml", .qty = 12, .open = 10, .price = {},
                          .amount = Money::fromInt(36), .validTo = QDate(2026, 5, 31), .orderId = 7};
    bill.addLine(MemberOrders::pickup(l, 3));
    return SaleReceipt::build(bill, 7, "收银员", QDateTime(QDate(2026, 4, 18), QTime(7, 45, 12)),
                              {Money::fromInt(2), Money::parse("4.40"), Money::parse("95.60")});
}

// What a tool (pdftotext, unzip) prints, as it printed it.
QString runRaw(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The same in one normal form, for texts whose full-width marks do not matter.
QString run(const QString &program, const QStringList &args)
{
    return runRaw(program, args).normalized(QString::NormalizationForm_KC);
}

// A manager's station with a sale list as the screens build it, with a hidden key column;
// the export dialogue is answered by the test.
struct Station : FileChooser
{
    explicit Station(int lines)
    {
        FileChooser::setCurrent(this);
        t.addUser(1, "店长", true);
        t.login(1, "店长");
        g.setColumns({{"FName", "品名", 140}, {"FInterID", "隐藏列", 60, true}, {"FAmount", "金额", 80}});
        for (int i = 1; i <= lines; ++i) {
            const int r = g.addRow();
            g.setText(r, "FName", QString("商品%1").arg(i, 3, 10, QChar('0')));
            g.setText(r, "FInterID", QString("ID%1").arg(i));
            g.setText(r, "FAmount", QString::number(i * 1.5, 'f', 2));
        }
    }
    ~Station() override { FileChooser::setCurrent(nullptr); }
    QString saveFileName(const QString &, const QString &suggested, const QString &) override
    {
        asked << suggested;
        return answer;
    }
    TestDb t;
    ScriptedPrompts prompts;
    KeyedGrid g;
    QString answer;
    QStringList asked;
};

} // namespace

class tst_KwTdPrinter : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // A station whose named printer is missing keeps the receipt as a PDF and says where.
    void receiptFilledFromRecordSet()
    {
        TestDb t{TestDb::Content::Demo};
        ScriptedPrompts prompts;
        qputenv("KWPOS_SPOOL_DIR", (t.dir() + "/spool").toUtf8());
        KwStore::set("KwStore", "Pos.Default", "ReceiptPrinter", "柜台打印机");
        KwTdPrinter printer;
        RecordSet data = saleReceipt();
        bool direct = true;
        printer.DoPrint(direct, t.cnstr(), PrintTypes::Sale, false, true, data, "标准格式");
        QVERIFY(!printer.usedBuiltIn());
        const QString pdf = printer.spooledFile();
        QCOMPARE(prompts.texts(),
                 QStringList{"找不到打印机“柜台打印机”，单据已保存为 PDF 文件：\n" + pdf});

        const QString text = run("pdftotext", {"-layout", pdf, "-"});
        // The fields themselves are the receipt builder's own test; these show they reach paper,
        // one band per record: each item once, the pick-up note only on the pick-up line.
        for (const QString piece : {"会员：V0004 O'Neil", "余量 10 → 7", "储值余额：95.60",
                                    "草莓酸奶 150g", "鲜牛奶 250ml", "取订奶"})
            QVERIFY2(text.count(piece.normalized(QString::NormalizationForm_KC)) == 1,
                     qPrintable(piece + " not once in:\n" + text));
        QVERIFY(run("pdfinfo", {pdf})
                    .contains(QRegularExpression("Page size:\\s+227 x"))); // an 80 mm roll
        // A search of the file finds the items as typed: no radical stands in for "牛".
        const QString raw = runRaw("pdftotext", {pdf, "-"});
        for (const QString piece : {"草莓酸奶 150g", "鲜牛奶 250ml", "储值余额：95.60"})
            QVERIFY2(raw.contains(piece), qPrintable(piece + " not in:\n" + raw));
    }

    // A holder's emoji prints as the picture it is (a PDF holds no colour glyph as text), the
    // rest of the line stays text.
    void emojiPrintsAsPicture()
    {
        TestDb t;
        ScriptedPrompts prompts;
        qputenv("KWPOS_SPOOL_DIR", (t.dir() + "/spool").toUtf8());
        RecordSet data = TemplateLibrary::sample(PrintTypes::Recharge);
        data.setValue("FOwner", QStringLiteral("O'Neil 🥛"));
        KwTdPrinter printer;
        printer.setSpoolNotice(false);
        bool direct = true;
        printer.DoPrint(direct, t.cnstr(), PrintTypes::Recharge, false, true, data, "充值小票");
        const QString pdf = printer.spooledFile();
        QVERIFY(runRaw("pdftotext", {pdf, "-"}).contains("持卡人：O'Neil"));
        // One picture (its transparency is a mask of its own).
        const QString images = runRaw("pdfimages", {"-list", pdf});
        QVERIFY2(images.count(QRegularExpression("^\\s*1\\s+\\d+\\s+image\\s",
                                                    QRegularExpression::MultilineOption)) == 1, qPrintable(images));
    }

    // An edited line and paper size are saved to the database under the template's name.
    void designerEditSavesToTheDatabase()
    {
        TestDb t{TestDb::Content::Demo};
        ScriptedPrompts prompts;
        frmTdDesigner f(t.cnstr(), PrintTypes::Sale);
        const QImage before = f.lblPreview->pixmap().toImage();
        f.FlexLines->setText(1, "FCells", "阳光奶站 {FDate:yyyy/MM/dd}"); // the title line
        QVERIFY(f.isModified() && f.lblPreview->pixmap().toImage() != before); // live preview
        f.cmbPaper->setCurrentIndex(f.cmbPaper->findData("58"));
        QTest::mouseClick(f.cmdSave, Qt::LeftButton);
        QCOMPARE(prompts.last(), QString("格式“标准格式”已保存！"));
        QVERIFY(!f.isModified());
        const PrintTemplate stored =
            TemplateStore::resolve(t.cnstr(), PrintTypes::Sale, "标准格式");
        QCOMPARE(stored.paper + " " + stored.lines.value(0).cells.value(0).text,
                 QString("58 阳光奶站 {FDate:yyyy/MM/dd}"));
    }

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
        QVERIFY(pages.size() >= 3);
        for (int i = 0; i < pages.size(); ++i) {
            const QString pageOf = QString("第 %1 .,共 %2 .").arg(i + 1).arg(pages.size());
            QVERIFY2(pages[i].contains("品名") && pages[i].contains(QRegularExpression(pageOf)) &&
                         !pages[i].contains("ID1"),
                     qPrintable(pages[i]));
            // The title opens the list and the footer closes it, each printed once.
            QCOMPARE(pages[i].contains("出库明细表"), i == 0);
            QCOMPARE(pages[i].contains(QString("制表：").normalized(QString::NormalizationForm_KC)),
                     i == pages.size() - 1);
        }
        QCOMPARE(pages.join("").count("商品"), 120);
    }

    // The file is offered under the list's title; the hidden column stays out of it, amounts
    // go into a sheet as numbers. How cells are quoted is the snapshot's own case.
    void exportGrid_data()
    {
        QTest::addColumn<QString>("answer");  // relative to the test folder; "" cancels
        QTest::addColumn<QString>("written"); // the file expected, "" for none
        QTest::addColumn<QString>("holds");
        // clang-format off
        QTest::newRow("no suffix becomes xlsx") << "list" << "list.xlsx" << "<v>3</v>";
        QTest::newRow("csv, any case") << "LIST.CSV" << "LIST.CSV" << "\uFEFF品名,金额\r\n商品001,1.50\r\n";
        QTest::newRow("cancelled") << "" << "" << "";
        QTest::newRow("unwritable place") << "no such folder/list.xlsx" << "" << "";
        // clang-format on
    }
    void exportGrid()
    {
        QFETCH(QString, answer);
        QFETCH(QString, written);
        QFETCH(QString, holds);
        Station s(2);
        s.answer = answer.isEmpty() ? QString() : s.t.dir() + "/" + answer;
        const QString error = TestDb::refusalOf([&] { GridExport(s.g, "出库/明细表"); });
        QCOMPARE(s.asked,
                 QStringList{QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                             "/出库_明细表.xlsx"});
        if (written.isEmpty()) {
            // An unwritable file is an error naming it; neither it nor a cancel says "done".
            QVERIFY2((answer.isEmpty() ? error.isEmpty() : error.contains(s.answer)) &&
                         s.prompts.shown.isEmpty(),
                     qPrintable(error));
            return;
        }
        const QString file = s.t.dir() + "/" + written;
        QCOMPARE(s.prompts.last(), "导出完成：\n" + file);
        const QString content = written.endsWith(".xlsx") ? run("unzip", {"-p", file}) : run("cat", {file});
        // A CSV opens with its byte-order mark, or the spreadsheet reads it as another code page.
        const bool csv = written.endsWith(".CSV");
        QVERIFY2((csv ? content.startsWith(holds) : content.contains(holds)) && !content.contains("ID1"),
                 qPrintable(content));
    }

    // Only UseMoneyBox 1 opens the drawer, with the five-byte pulse on the receipt port (a
    // port name through the port map, LPT1 when none is set); a port that cannot be opened
    // is named to the cashier.
    void drawer_data()
    {
        QTest::addColumn<QString>("useMoneyBox"); // "<absent>" leaves the key out
        QTest::addColumn<QString>("printPort"); // "<file>" names the file itself
        QTest::addColumn<QString>("outcome");   // the bytes written, in hex, or how the error begins
        // clang-format off
        QTest::newRow("absent") << "<absent>" << "<file>" << "";
        QTest::newRow("one") << "1" << "<file>" << "1b70003cff";
        QTest::newRow("no port set means LPT1") << "1" << "<absent>" << "1b70003cff";
        QTest::newRow("serial port absent") << "1" << "Com9" << "failure: 打开钱箱失败：无法打开端口“Com9”";
        QTest::newRow("no port set") << "1" << "" << "failure: 打开钱箱失败：未设置打印机端口";
        QTest::newRow("printer stalled") << "1" << "<stalled>" << "failure: 打开钱箱失败：端口“LPT7”在 3 秒内没有响应";
        // clang-format on
    }
    void drawer()
    {
        QFETCH(QString, useMoneyBox);
        QFETCH(QString, printPort);
        QFETCH(QString, outcome);
        TestDb t;
        const QString file = t.dir() + "/drawer.bin";
        QFile(file).open(QIODevice::WriteOnly); // the "device" exists and is empty
        if (useMoneyBox != "<absent>")
            KwStore::set("KwStore", "Pos.Default", "UseMoneyBox", useMoneyBox);
        // A stalled printer: a pipe nobody reads, whose open waits for a reader.
        const QByteArray stalled = QFile::encodeName(t.dir() + "/stalled");
        if (printPort == "<stalled>") {
            QCOMPARE(::mkfifo(stalled.constData(), 0600), 0);
            KwStore::set("KwStore", "Ports", "lpt7", QString::fromLocal8Bit(stalled));
            printPort = "LPT7";
        }
        if (printPort != "<absent>")
            KwStore::set("KwStore", "Pos.Default", "PrintPort", printPort == "<file>" ? file : printPort);
        else
            KwStore::set("KwStore", "Ports", "lpt1", file);
        const QString error = TestDb::refusalOf([] { DevicePort::openCashDrawer(); });
        if (printPort == "LPT7") {
            // The printer wakes up: the pulse still arrives, off the caller's thread.
            ::signal(SIGPIPE, SIG_IGN);
            const int fd = ::open(stalled.constData(), O_RDONLY | O_NONBLOCK);
            QVERIFY(fd >= 0);
            QByteArray got;
            QTRY_VERIFY((got += readSome(fd)).size() >= 5);
            ::close(fd);
            QCOMPARE(got.toHex(), QByteArray("1b70003cff"));
        }
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        // The engine's reason follows the port's name.
        QCOMPARE(error.isEmpty() ? QString::fromLatin1(f.readAll().toHex()) : error.left(outcome.size()),
                 outcome);
    }
};

QTEST_MAIN(tst_KwTdPrinter)
#include "tst_KwTdPrinter.moc"
