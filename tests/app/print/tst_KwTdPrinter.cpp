#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinterInfo>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "app/DialogRunner.h"
#include "app/KwStore.h"
#include "app/db/DbError.h"
#include "app/print/KwTdPrinter.h"
#include "app/print/RecordSet.h"

namespace {

using T = RecordSet::Type;

// The sale receipt as the counter hands it over: an ordinary line and a pick-up line.
RecordSet saleReceipt()
{
    RecordSet rs;
    rs.appendField("FDate", T::Date);
    for (const char *f : {"FVipNo", "FOwner", "FPhone", "FName"})
        rs.appendField(f, T::Text, 255);
    for (const char *f : {"FQty", "FPreQty", "FPrice", "FAmount", "FSumQty", "FSumAmount"})
        rs.appendField(f, T::Text, 40);
    rs.appendField("FInterID", T::Integer);
    rs.appendField("FBiller", T::Text, 40);
    rs.appendField("FPrintTime", T::Date);
    for (const char *f : {"FBegBal", "FEndBal", "FSumBegBal", "FSumEndBal", "Fyxq"})
        rs.appendField(f, T::Text, 255);
    for (const char *f : {"FGetReserve", "FGetCash", "FReserveBal"})
        rs.appendField(f, T::Double);
    struct L { const char *name, *qty, *price, *amount, *beg, *end, *yxq; };
    for (const L &l : {L{"草莓酸奶 150g", "2", "3.20", "6.40", "2", "0", ""},
                       L{"鲜牛奶 250ml", "3", "", "", "10", "7", "2026-05-31"}}) {
        rs.addNew();
        rs.setValue("FDate", QDate(2026, 4, 18));
        rs.setValue("FVipNo", "V0004 O'Neil");
        rs.setValue("FOwner", "O'Neil");
        rs.setValue("FName", l.name);
        rs.setValue("FQty", l.qty);
        rs.setValue("FPrice", l.price);
        rs.setValue("FAmount", l.amount);
        rs.setValue("FSumQty", "5");
        rs.setValue("FSumAmount", "6.40");
        rs.setValue("FInterID", 0);
        rs.setValue("FBiller", "收银员");
        rs.setValue("FPrintTime", QDateTime(QDate(2026, 4, 18), QTime(7, 45, 12)));
        rs.setValue("FBegBal", l.beg);
        rs.setValue("FEndBal", l.end);
        rs.setValue("FSumBegBal", "10");
        rs.setValue("FSumEndBal", "7");
        rs.setValue("Fyxq", l.yxq);
        rs.setValue("FGetReserve", 4.4);
        rs.setValue("FGetCash", 2.0);
        rs.setValue("FReserveBal", 95.6);
    }
    rs.moveFirst();
    return rs;
}

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Compatibility forms folded: a PDF's text layer may name some ideographs by their radical
// code points (⼩ for 小), which read the same.
QString pdfText(const QString &path)
{
    return run("pdftotext", {"-layout", path, "-"}).normalized(QString::NormalizationForm_KC);
}

bool has(const QString &pdfText, const QString &piece)
{
    return pdfText.contains(piece.normalized(QString::NormalizationForm_KC));
}

} // namespace

class tst_KwTdPrinter : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }
    void cleanup() { DialogRunner::setScript({}); }

    // A station whose named printer is missing keeps the receipt as a PDF and says where.
    void receiptFilledFromRecordSet()
    {
        TestDb t(TestDb::Content::Demo);
        ScriptedPrompts prompts;
        qputenv("KWPOS_SPOOL_DIR", (t.dir() + "/spool").toUtf8());
        KwStore::set("KwStore", "Pos.Default", "ReceiptPrinter", "柜台打印机");
        RecordSet data = saleReceipt();
        bool direct = true;
        KwTdPrinter printer;
        printer.DoPrint(direct, t.cnstr(), 1002, false, true, data, "标准格式");
        QVERIFY(!printer.usedBuiltIn());
        const QString pdf = printer.spooledFile();
        QVERIFY(pdf.startsWith(t.dir() + "/spool/1002-"));
        QVERIFY(QFile::exists(pdf));
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].icon, Prompts::Icon::Information);
        QCOMPARE(prompts.last(), "找不到打印机“柜台打印机”，单据已保存为 PDF 文件：\n" + pdf);
        QCOMPARE(data.position(), 0);

        const QString text = pdfText(pdf);
        for (const char *piece : {"鲜奶店 销售小票", "2026-04-18", "收银：收银员", "会员：V0004 O'Neil",
                                     "草莓酸奶 150g", "3.20", "6.40", "鲜牛奶 250ml", "余量 10 → 7",
                                     "2026-05-31", "合计数量：5", "应收：6.40", "现金：2.00",
                                     "储值支付：4.40", "储值余额：95.60", "订奶余量：7",
                                     "打印时间：2026-04-18 07:45:12", "谢谢惠顾"})
            QVERIFY2(has(text, QString::fromUtf8(piece)), qPrintable(QString::fromUtf8(piece) + " missing in:\n" + text));
        // One band per record: each item once, the pick-up note only on the pick-up line.
        QCOMPARE(text.count(QString("草莓酸奶 150g").normalized(QString::NormalizationForm_KC)), 1);
        QCOMPARE(text.count(QString("鲜牛奶 250ml").normalized(QString::NormalizationForm_KC)), 1);
        QCOMPARE(text.count("取订奶"), 1);
        // An 80 mm roll, as long as the receipt.
        const QString info = run("pdfinfo", {pdf});
        QVERIFY2(info.contains("Page size:       227 x"), qPrintable(info));
        QVERIFY2(QRegularExpression("Pages:\\s+1\\n").match(info).hasMatch(), qPrintable(info));
    }

    void previewShowsAndSpoolsNothing()
    {
        TestDb t(TestDb::Content::Demo);
        ScriptedPrompts prompts;
        qputenv("KWPOS_SPOOL_DIR", (t.dir() + "/spool").toUtf8());
        int pages = -1;
        QString title;
        DialogRunner::setScript([&](QDialog &d) {
            auto *preview = qobject_cast<QPrintPreviewDialog *>(&d);
            if (!preview)
                return 0;
            title = d.windowTitle();
            auto *w = d.findChild<QPrintPreviewWidget *>();
            w->updatePreview();
            pages = w->pageCount();
            return 0;
        });
        RecordSet data = saleReceipt();
        bool direct = false;
        KwTdPrinter printer;
        printer.DoPrint(direct, t.cnstr(), 1002, false, true, data, "标准格式");
        QCOMPARE(pages, 1);
        QCOMPARE(title, QString("打印预览 - 销售小票 - 标准格式"));
        QVERIFY(prompts.shown.isEmpty());
        QVERIFY(printer.spooledFile().isEmpty());
        QVERIFY(!QDir(t.dir() + "/spool").exists());
    }

    void directWithoutAnyPrinterSpools()
    {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("this machine has a default printer");
        TestDb t(TestDb::Content::Demo);
        ScriptedPrompts prompts;
        qputenv("KWPOS_SPOOL_DIR", (t.dir() + "/spool dir").toUtf8());
        RecordSet data = saleReceipt();
        bool direct = true;
        KwTdPrinter printer;
        printer.DoPrint(direct, t.cnstr(), 1002, false, true, data, "标准格式");
        QVERIFY(QFile::exists(printer.spooledFile()));
        QCOMPARE(prompts.last(), "本机没有可用的打印机，单据已保存为 PDF 文件：\n" + printer.spooledFile());
    }

    void documentTypesAndFallback_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("builtIn");
        QTest::addColumn<QString>("pageSize");
        QTest::addColumn<QString>("expected");
        QTest::newRow("recharge bill on A5") << "充值单" << false << "595 x 420 pts (A5)" << "会员储值充值单";
        QTest::newRow("recharge slip") << "充值小票" << false << "227 x" << "充值后余额";
        QTest::newRow("missing template") << "没有这个格式" << true << "227 x" << "充值后余额";
    }
    void documentTypesAndFallback()
    {
        QFETCH(QString, name);
        QFETCH(bool, builtIn);
        QFETCH(QString, pageSize);
        QFETCH(QString, expected);
        TestDb t(TestDb::Content::Demo);
        ScriptedPrompts prompts;
        qputenv("KWPOS_SPOOL_DIR", (t.dir() + "/spool").toUtf8());
        KwStore::set("KwStore", "Pos.Default", "ReceiptPrinter", "nowhere");
        RecordSet rs;
        rs.appendField("FVipNo", T::Text, 255);
        rs.appendField("FDate", T::Date);
        rs.appendField("FInterID", T::Integer);
        rs.appendField("FOwner", T::Text, 255);
        for (const char *f : {"FBegBal", "FCzAmount", "FZsAmount", "FEndBal"})
            rs.appendField(f, T::Double);
        rs.appendField("FBiller", T::Text, 50);
        rs.appendField("FPrintTime", T::Date);
        rs.addNew();
        rs.setValue("FVipNo", "V0002");
        rs.setValue("FOwner", "王建国");
        rs.setValue("FBegBal", 1234.5);
        rs.setValue("FCzAmount", 200);
        rs.setValue("FZsAmount", 20);
        rs.setValue("FEndBal", 1454.5);
        bool direct = true;
        KwTdPrinter printer;
        printer.DoPrint(direct, t.cnstr(), 250, false, true, rs, name);
        QCOMPARE(printer.usedBuiltIn(), builtIn);
        const QString text = pdfText(printer.spooledFile());
        QVERIFY2(has(text, expected), qPrintable(text));
        QVERIFY(has(text, "王建国"));
        QVERIFY(text.contains("1,454.50") || text.contains("1454.50"));
        const QString info = run("pdfinfo", {printer.spooledFile()});
        QVERIFY2(info.contains(pageSize), qPrintable(printer.spooledFile() + "\n" + info));
    }

    void emptyRecordSetIsRefused()
    {
        TestDb t(TestDb::Content::Demo);
        RecordSet rs;
        rs.appendField("FName", T::Text, 10);
        bool direct = true;
        KwTdPrinter printer;
        try {
            printer.DoPrint(direct, t.cnstr(), 1002, false, true, rs, "标准格式");
            QFAIL("printed nothing without a word");
        } catch (const db::DbError &e) {
            QCOMPARE(e.message(), QString("没有可打印的数据！"));
        }
    }

    void unwritableSpoolFolderIsAnError()
    {
        TestDb t(TestDb::Content::Demo);
        ScriptedPrompts prompts;
        QFile blocker(t.dir() + "/blocker");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        qputenv("KWPOS_SPOOL_DIR", (t.dir() + "/blocker/spool").toUtf8());
        KwStore::set("KwStore", "Pos.Default", "ReceiptPrinter", "nowhere");
        RecordSet data = saleReceipt();
        bool direct = true;
        KwTdPrinter printer;
        QVERIFY_THROWS_EXCEPTION(db::DbError, printer.DoPrint(direct, t.cnstr(), 1002, false, true, data, "标准格式"));
        QVERIFY(prompts.shown.isEmpty()); // no "saved" message for a file that is not there
    }
};

QTEST_MAIN(tst_KwTdPrinter)
#include "tst_KwTdPrinter.moc"
