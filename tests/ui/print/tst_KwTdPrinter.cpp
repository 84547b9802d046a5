#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "ui/widgets/KeyedGrid.h"
#include "core/frame/KwStore.h"
#include "core/db/DbError.h"
#include "ui/print/KwTdPrinter.h"
#include "core/print/RecordSet.h"
#include "core/print/TemplateStore.h"
#include "ui/print/frmTdDesigner.h"

namespace {

using T = RecordSet::Type;

using Values = QList<std::pair<const char *, QVariant>>;

void addRecord(RecordSet &rs, const Values &values)
{
    rs.addNew();
    for (const auto &[field, value] : values)
        rs.setValue(field, value);
}

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
                       L{"鲜牛奶 250ml", "3", "", "", "10", "7", "2026-05-31"}})
        addRecord(rs, {{"FDate", QDate(2026, 4, 18)}, {"FVipNo", "V0004 O'Neil"}, {"FOwner", "O'Neil"},
                       {"FName", l.name}, {"FQty", l.qty}, {"FPrice", l.price}, {"FAmount", l.amount},
                       {"FSumQty", "5"}, {"FSumAmount", "6.40"}, {"FInterID", 0}, {"FBiller", "收银员"},
                       {"FPrintTime", QDateTime(QDate(2026, 4, 18), QTime(7, 45, 12))}, {"FBegBal", l.beg},
                       {"FEndBal", l.end}, {"FSumBegBal", "10"}, {"FSumEndBal", "7"}, {"Fyxq", l.yxq},
                       {"FGetReserve", 4.4}, {"FGetCash", 2.0}, {"FReserveBal", 95.6}});
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

// The demo account set on a station whose spool folder is `spool` below the test folder and
// whose receipt printer is `printer` (the system default when empty).
struct Station
{
    explicit Station(const QString &printer = {}, const QString &spool = "/spool")
    {
        qputenv("KWPOS_SPOOL_DIR", (t.dir() + spool).toUtf8());
        if (!printer.isEmpty())
            KwStore::set("KwStore", "Pos.Default", "ReceiptPrinter", printer);
    }
    void print(bool direct, RecordSet &data, int tranType = 1002, const QString &name = "标准格式")
    {
        printer.DoPrint(direct, t.cnstr(), tranType, false, true, data, name);
    }
    TestDb t{TestDb::Content::Demo};
    ScriptedPrompts prompts;
    KwTdPrinter printer;
};

// The designer on the demo account set's templates of one document type.
struct Designer
{
    explicit Designer(int tranType) : f(t.cnstr(), tranType) {}
    TestDb t{TestDb::Content::Demo};
    ScriptedPrompts prompts;
    frmTdDesigner f;
};

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
        Station s("柜台打印机");
        RecordSet data = saleReceipt();
        s.print(true, data);
        QVERIFY(!s.printer.usedBuiltIn());
        const QString pdf = s.printer.spooledFile();
        QVERIFY(pdf.startsWith(s.t.dir() + "/spool/1002-"));
        QVERIFY(QFile::exists(pdf));
        QCOMPARE(s.prompts.shown.size(), 1);
        QCOMPARE(s.prompts.shown[0].icon, Prompts::Icon::Information);
        QCOMPARE(s.prompts.last(), "找不到打印机“柜台打印机”，单据已保存为 PDF 文件：\n" + pdf);
        QCOMPARE(data.position(), 0);

        const QString text = pdfText(pdf);
        for (const char *piece : {"鲜奶店 销售小票", "2026-04-18", "收银：收银员", "会员：V0004 O'Neil",
                                     "草莓酸奶 150g", "3.20", "6.40", "鲜牛奶 250ml", "余量 10 → 7",
                                     "2026-05-31", "合计数量：5", "应收：6.40", "现金：2.00",
                                     "储值支付：4.40", "储值余额：95.60", "订奶余量：7",
                                     "打印时间：2026-04-18 07:45:12", "谢谢惠顾"})
            QVERIFY2(has(text, QString::fromUtf8(piece)), qPrintable(QString::fromUtf8(piece) + " missing in:\n" + text));
        // One band per record: each item once, the pick-up note only on the pick-up line.
        for (const QString &once : {QString("草莓酸奶 150g"), QString("鲜牛奶 250ml"), QString("取订奶")})
            QCOMPARE(text.count(once.normalized(QString::NormalizationForm_KC)), 1);
        // An 80 mm roll, as long as the receipt.
        const QString info = run("pdfinfo", {pdf});
        QVERIFY2(info.contains("Page size:       227 x"), qPrintable(info));
        QVERIFY2(QRegularExpression("Pages:\\s+1\\n").match(info).hasMatch(), qPrintable(info));
    }

    void directWithoutAnyPrinterSpools()
    {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("this machine has a default printer");
        Station s({}, "/spool dir");
        RecordSet data = saleReceipt();
        s.print(true, data);
        QVERIFY(QFile::exists(s.printer.spooledFile()));
        QCOMPARE(s.prompts.last(), "本机没有可用的打印机，单据已保存为 PDF 文件：\n" + s.printer.spooledFile());
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
        Station s("nowhere");
        RecordSet rs;
        for (const char *f : {"FVipNo", "FOwner", "FBiller"})
            rs.appendField(f, T::Text, 255);
        for (const char *f : {"FDate", "FPrintTime"})
            rs.appendField(f, T::Date);
        rs.appendField("FInterID", T::Integer);
        for (const char *f : {"FBegBal", "FCzAmount", "FZsAmount", "FEndBal"})
            rs.appendField(f, T::Double);
        addRecord(rs, {{"FVipNo", "V0002"}, {"FOwner", "王建国"}, {"FBegBal", 1234.5}, {"FCzAmount", 200},
                       {"FZsAmount", 20}, {"FEndBal", 1454.5}});
        s.print(true, rs, 250, name);
        QCOMPARE(s.printer.usedBuiltIn(), builtIn);
        const QString text = pdfText(s.printer.spooledFile());
        QVERIFY2(has(text, expected), qPrintable(text));
        QVERIFY(has(text, "王建国"));
        QVERIFY(text.contains("1,454.50") || text.contains("1454.50"));
        const QString info = run("pdfinfo", {s.printer.spooledFile()});
        QVERIFY2(info.contains(pageSize), qPrintable(s.printer.spooledFile() + "\n" + info));
    }

    void nothingPrintableIsAnError()
    {
        // The spool folder cannot be made: a file stands where it should go.
        Station s("nowhere", "/blocker/spool");
        QFile blocker(s.t.dir() + "/blocker");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        RecordSet empty;
        empty.appendField("FName", T::Text, 10);
        try {
            s.print(true, empty);
            QFAIL("printed nothing without a word");
        } catch (const db::DbError &e) {
            QCOMPARE(e.message(), QString("没有可打印的数据！"));
        }
        RecordSet data = saleReceipt();
        QVERIFY_THROWS_EXCEPTION(db::DbError, s.print(true, data));
        QVERIFY(s.prompts.shown.isEmpty()); // no "saved" message for a file that is not there
    }

    void designerEditSavesToTheDatabase()
    {
        Designer d(1002);
        frmTdDesigner &f = d.f;
        const QImage before = f.lblPreview->pixmap().toImage();
        const int title = rowWith(*f.FlexLines, "销售小票");
        QVERIFY(title > 0);
        f.FlexLines->setText(title, "FCells", "阳光奶站 {FDate:yyyy/MM/dd}");
        QVERIFY(f.isModified());
        QVERIFY(f.lblPreview->pixmap().toImage() != before); // live preview
        f.cmbPaper->setCurrentIndex(f.cmbPaper->findData("58"));
        QTest::mouseClick(f.cmdSave, Qt::LeftButton);
        QCOMPARE(d.prompts.last(), QString("格式“标准格式”已保存！"));
        QVERIFY(!f.isModified());
        const PrintTemplate stored = TemplateStore::resolve(d.t.cnstr(), 1002, "标准格式");
        QCOMPARE(stored.paper, QString("58"));
        QCOMPARE(stored.lines.value(title - 1).cells.value(0).text, QString("阳光奶站 {FDate:yyyy/MM/dd}"));
        QCOMPARE(TemplateStore::names(d.t.cnstr(), 1002), QStringList{"标准格式"});
    }
};

QTEST_MAIN(tst_KwTdPrinter)
#include "tst_KwTdPrinter.moc"
