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
#include "core/print/TemplateStore.h"
#include "ui/print/KwTdPrinter.h"
#include "ui/print/frmTdDesigner.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

// The sale receipt as the counter hands it over: an ordinary line and a pick-up line.
RecordSet saleReceipt()
{
    SaleBill bill;
    bill.date = QDate(2026, 4, 18);
    bill.vipNo = "V0004";
    bill.owner = "O'Neil";
    bill.add(2, "草莓酸奶 150g", 2, Money::parse("3.20"));
    OpenOrderLine l;
    l.name = "鲜牛奶 250ml";
    l.qty = 12;
    l.open = 10;
    l.amount = Money::fromInt(36);
    l.orderId = 7;
    l.validTo = QDate(2026, 5, 31);
    bill.addLine(MemberOrders::pickup(l, 3));
    return SaleReceipt::build(bill, 7, "收银员", QDateTime(QDate(2026, 4, 18), QTime(7, 45, 12)),
                              {Money::fromInt(2), Money::parse("4.40"), Money::parse("95.60")});
}

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
}

int rowWith(const KeyedGrid &g, const QString &text)
{
    for (int r = 1; r < g.rows(); ++r)
        if (g.text(r, "FCells").contains(text))
            return r;
    return 0;
}

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
        printer.DoPrint(direct, t.cnstr(), 1002, false, true, data, "标准格式");
        QVERIFY(!printer.usedBuiltIn());
        const QString pdf = printer.spooledFile();
        QVERIFY(pdf.startsWith(t.dir() + "/spool/1002-") && QFile::exists(pdf));
        QCOMPARE(prompts.texts(),
                 QStringList{"找不到打印机“柜台打印机”，单据已保存为 PDF 文件：\n" + pdf});

        const QString text = run("pdftotext", {"-layout", pdf, "-"});
        for (const char *piece :
             {"会员：V0004 O'Neil", "余量 10 → 7", "2026-05-31", "现金：2.00", "储值支付：4.40",
              "储值余额：95.60", "打印时间：2026-04-18 07:45:12"})
            QVERIFY2(
                text.contains(QString::fromUtf8(piece).normalized(QString::NormalizationForm_KC)),
                qPrintable(QString::fromUtf8(piece) + " missing in:\n" + text));
        // One band per record: each item once, the pick-up note only on the pick-up line.
        for (const QString &once :
             {QString("草莓酸奶 150g"), QString("鲜牛奶 250ml"), QString("取订奶")})
            QCOMPARE(text.count(once.normalized(QString::NormalizationForm_KC)), 1);
        QVERIFY(run("pdfinfo", {pdf})
                    .contains(QRegularExpression("Page size:\\s+227 x"))); // an 80 mm roll
    }

    // An edited line and paper size are saved to the database under the template's name.
    void designerEditSavesToTheDatabase()
    {
        TestDb t{TestDb::Content::Demo};
        ScriptedPrompts prompts;
        frmTdDesigner f(t.cnstr(), 1002);
        const QImage before = f.lblPreview->pixmap().toImage();
        const int title = rowWith(*f.FlexLines, "销售小票");
        QVERIFY(title > 0);
        f.FlexLines->setText(title, "FCells", "阳光奶站 {FDate:yyyy/MM/dd}");
        QVERIFY(f.isModified() && f.lblPreview->pixmap().toImage() != before); // live preview
        f.cmbPaper->setCurrentIndex(f.cmbPaper->findData("58"));
        QTest::mouseClick(f.cmdSave, Qt::LeftButton);
        QCOMPARE(prompts.last(), QString("格式“标准格式”已保存！"));
        QVERIFY(!f.isModified());
        const PrintTemplate stored = TemplateStore::resolve(t.cnstr(), 1002, "标准格式");
        QCOMPARE(stored.paper + " " + stored.lines.value(title - 1).cells.value(0).text,
                 QString("58 阳光奶站 {FDate:yyyy/MM/dd}"));
    }
};

QTEST_MAIN(tst_KwTdPrinter)
#include "tst_KwTdPrinter.moc"
