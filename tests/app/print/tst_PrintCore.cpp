#include <QtTest>

#include "TestDb.h"
#include "app/db/Database.h"
#include "app/db/DbError.h"
#include "app/print/GridFormatStore.h"
#include "app/print/GridSnapshot.h"
#include "app/print/PrintTemplate.h"
#include "app/print/RecordSet.h"
#include "app/print/TemplateLibrary.h"
#include "app/print/TemplateStore.h"

using T = RecordSet::Type;

namespace {
RecordSet receiptData()
{
    RecordSet rs;
    rs.appendField("FDate", T::Date);
    rs.appendField("FName", T::Text, 8);
    rs.appendField("FQty", T::Text, 40);
    rs.appendField("FPrice", T::Text, 40);
    rs.appendField("FInterID", T::Integer);
    rs.appendField("FGetCash", T::Double);
    rs.appendField("FPrintTime", T::Date);
    rs.addNew();
    rs.setValue("fdate", QDate(2026, 3, 5));
    rs.setValue("FNAME", "鲜牛奶 250ml");
    rs.setValue("FQty", "2");
    rs.setValue("FPrice", "3.50");
    rs.setValue("FInterID", "17x");
    rs.setValue("FGetCash", 12.5);
    rs.setValue("FPrintTime", QDateTime(QDate(2026, 3, 5), QTime(8, 7, 9)));
    rs.addNew();
    rs.setValue("FName", "草莓酸奶");
    rs.setValue("FQty", "0");
    rs.setValue("FPrice", "");
    rs.setValue("FGetCash", "");
    rs.moveFirst();
    return rs;
}
} // namespace

class tst_PrintCore : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    void recordSetStoresByType()
    {
        RecordSet rs = receiptData();
        QCOMPARE(rs.recordCount(), 2);
        QCOMPARE(rs.position(), 0);
        QCOMPARE(rs.value("fname").toString(), QString("鲜牛奶 250m")); // cut to the field size
        QCOMPARE(rs.value("FInterID").toLongLong(), 17LL);
        QCOMPARE(rs.text(0, "FDate"), QString("2026-03-05"));
        QCOMPARE(rs.text(0, "FPrintTime"), QString("2026-03-05 08:07"));
        QCOMPARE(rs.text(0, "FGetCash"), QString("12.50"));
        QVERIFY(rs.value(1, "FGetCash").isNull()); // an empty text is no number
        rs.moveNext();
        rs.moveNext();
        QVERIFY(rs.eof());
        QVERIFY(rs.value("FName").isNull());
    }

    void recordSetRefusesUnknownFields_data()
    {
        QTest::addColumn<int>("what");
        QTest::newRow("unknown field") << 0;
        QTest::newRow("no current record") << 1;
        QTest::newRow("duplicate field") << 2;
    }
    void recordSetRefusesUnknownFields()
    {
        QFETCH(int, what);
        RecordSet rs;
        rs.appendField("FName", T::Text, 10);
        if (what == 0) {
            rs.addNew();
            QVERIFY_THROWS_EXCEPTION(db::DbError, rs.setValue("FNope", 1));
        } else if (what == 1) {
            QVERIFY_THROWS_EXCEPTION(db::DbError, rs.setValue("FName", "x"));
        } else {
            QVERIFY_THROWS_EXCEPTION(db::DbError, rs.appendField("fname", T::Text));
        }
    }

    void expand_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("record");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain field") << "品名：{FName}" << 0 << "品名：鲜牛奶 250m";
        QTest::newRow("any case") << "{fqty}×{FPRICE}" << 0 << "2×3.50";
        QTest::newRow("date format") << "{FDate:yyyy年M月d日}" << 0 << "2026年3月5日";
        QTest::newRow("date time") << "{FPrintTime:HH:mm:ss}" << 0 << "08:07:09";
        QTest::newRow("number format on text") << "{FQty:0.00}" << 0 << "2.00";
        QTest::newRow("grouped") << "{FGetCash:#,0.00}" << 0 << "12.50";
        QTest::newRow("empty stays empty") << "[{FPrice:0.00}]" << 1 << "[]";
        QTest::newRow("unknown field prints nothing") << "a{FNope}b" << 0 << "ab";
        QTest::newRow("lone braces stay") << "{ x } {" << 0 << "{ x } {";
        QTest::newRow("second record") << "{FName}" << 1 << "草莓酸奶";
    }
    void expand()
    {
        QFETCH(QString, text);
        QFETCH(int, record);
        QFETCH(QString, expected);
        const RecordSet rs = receiptData();
        QCOMPARE(PrintTemplate::expand(text, rs, record), expected);
    }

    void conditions_data()
    {
        QTest::addColumn<QString>("when");
        QTest::addColumn<int>("record");
        QTest::addColumn<bool>("expected");
        QTest::newRow("none") << "" << 1 << true;
        QTest::newRow("set text") << "FPrice" << 0 << true;
        QTest::newRow("empty text") << "FPrice" << 1 << false;
        QTest::newRow("zero text") << "FQty" << 1 << false;
        QTest::newRow("inverted empty") << "!FPrice" << 1 << true;
        QTest::newRow("inverted set") << "!FPrice" << 0 << false;
        QTest::newRow("date is set") << "FDate" << 0 << true;
        QTest::newRow("unknown field") << "FNope" << 0 << false;
    }
    void conditions()
    {
        QFETCH(QString, when);
        QFETCH(int, record);
        QFETCH(bool, expected);
        QCOMPARE(PrintTemplate::holds(when, receiptData(), record), expected);
    }

    void fillRepeatsBandPerRecord()
    {
        PrintTemplate t;
        t.lines = {PrintTemplate::makeLine(PrintTemplate::Section::Footer, "合计 {FGetCash}"),
                   PrintTemplate::makeLine(PrintTemplate::Section::Band, "{FName}|{FQty}", "70", "LR"),
                   PrintTemplate::makeLine(PrintTemplate::Section::Band, "单价 {FPrice}", "", "", 8, false, "FPrice"),
                   PrintTemplate::makeLine(PrintTemplate::Section::Header, "日期 {FDate}")};
        const auto filled = t.fill(receiptData());
        QStringList texts;
        for (const auto &f : filled)
            texts << f.texts.join('|');
        QCOMPARE(texts, QStringList({"日期 2026-03-05", "鲜牛奶 250m|2", "单价 3.50", "草莓酸奶|0", "合计 12.50"}));
        QCOMPARE(filled[1].line.cells[1].width, 30); // the rest of the line
        QCOMPARE(filled[1].line.cells[1].align, PrintTemplate::Align::Right);
    }

    void jsonRoundTrip()
    {
        for (const TemplateLibrary::Entry &e : TemplateLibrary::demoTemplates()) {
            const PrintTemplate back = PrintTemplate::fromJson(e.tmpl.toJson());
            QCOMPARE(back.toJson(), e.tmpl.toJson());
            // Every field a demo template names is one its callers hand over.
            const RecordSet sample = TemplateLibrary::sample(e.tranType);
            for (const QString &f : back.fieldNames())
                QVERIFY2(sample.hasField(f), qPrintable(e.name + ": " + f));
        }
    }

    void badJsonIsRefused_data()
    {
        QTest::addColumn<QString>("json");
        QTest::newRow("not json") << "receipt";
        QTest::newRow("array") << "[1,2]";
        QTest::newRow("unknown paper") << R"({"paper":"Z9","lines":[]})";
    }
    void badJsonIsRefused()
    {
        QFETCH(QString, json);
        QVERIFY_THROWS_EXCEPTION(db::DbError, PrintTemplate::fromJson(json));
    }

    void storeSavesReplacesAndFallsBack()
    {
        TestDb t;
        PrintTemplate a = TemplateLibrary::builtIn(1002);
        a.paper = "58";
        TemplateStore::save(t.cnstr(), 1002, " 小票 ", a);
        a.paper = "A5";
        TemplateStore::save(t.cnstr(), 1002, "小票", a); // replaces, no second row
        QCOMPARE(TemplateStore::names(t.cnstr(), 1002), QStringList{"小票"});
        bool builtIn = true;
        QCOMPARE(TemplateStore::resolve(t.cnstr(), 1002, "小票", &builtIn).paper, QString("A5"));
        QVERIFY(!builtIn);
        QCOMPARE(TemplateStore::names(t.cnstr(), 250), QStringList{});

        // Missing, listed without layout, or damaged: the built-in layout prints.
        db::execute(t.cnstr(), "insert into TDBill (FTranType, FTDBillName, FTemplate) values (?,?,?)",
                    {1002, "坏格式", "{broken"});
        for (const QString &name : {QString("没有"), QString("坏格式")}) {
            const PrintTemplate r = TemplateStore::resolve(t.cnstr(), 1002, name, &builtIn);
            QVERIFY(builtIn);
            QCOMPARE(r.toJson(), TemplateLibrary::builtIn(1002).toJson());
        }
        TemplateStore::remove(t.cnstr(), 1002, "小票");
        QVERIFY(!TemplateStore::text(t.cnstr(), 1002, "小票").has_value());
        QVERIFY_THROWS_EXCEPTION(db::DbError, TemplateStore::save(t.cnstr(), 1002, "  ", a));
    }

    void demoAccountSetHasTemplates()
    {
        TestDb t(TestDb::Content::Demo);
        QCOMPARE(TemplateStore::names(t.cnstr(), 1002), QStringList{"标准格式"});
        QCOMPARE(TemplateStore::names(t.cnstr(), 1001), QStringList{"标准格式"});
        QCOMPARE(TemplateStore::names(t.cnstr(), 250), QStringList({"充值单", "充值小票"}));
        bool builtIn = true;
        QCOMPARE(TemplateStore::resolve(t.cnstr(), 250, "充值单", &builtIn).paper, QString("A5"));
        QVERIFY(!builtIn);
    }

    void pageSetupPerFormatName()
    {
        TestDb t;
        GridFormatStore::PageSetup defaults;
        QCOMPARE(GridFormatStore::pageSetup(t.cnstr(), "frmA"), defaults);
        GridFormatStore::PageSetup p{"A5", true, 5, 6, 7, 8.5};
        GridFormatStore::savePageSetup(t.cnstr(), "frmA", p);
        GridFormatStore::savePageSetup(t.cnstr(), "frmA", p); // again: still one row
        QCOMPARE(GridFormatStore::pageSetup(t.cnstr(), "frmA"), p);
        QCOMPARE(GridFormatStore::pageSetup(t.cnstr(), "frmB"), defaults);
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from t_GridPageSet").toInt(), 1);
        p.left = -1;
        QVERIFY_THROWS_EXCEPTION(db::DbError, GridFormatStore::savePageSetup(t.cnstr(), "frmA", p));
        p = {"Z1", false, 1, 1, 1, 1};
        QVERIFY_THROWS_EXCEPTION(db::DbError, GridFormatStore::savePageSetup(t.cnstr(), "frmA", p));
    }

    void widthsReplaceInOrder()
    {
        TestDb t;
        GridFormatStore::saveWidths(t.cnstr(), "frmA", {{"FName", 120}, {"FQty", 0}, {"FAmount", 80}});
        GridFormatStore::saveWidths(t.cnstr(), "frmA", {{"FAmount", 90}, {"FName", 100}});
        GridFormatStore::saveWidths(t.cnstr(), "frmB", {{"FName", 10}});
        const QList<GridFormatStore::Width> expected{{"FAmount", 90}, {"FName", 100}};
        QCOMPARE(GridFormatStore::widths(t.cnstr(), "frmA"), expected);
    }

    void csvQuoting_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("field");
        QTest::newRow("plain") << "鲜牛奶" << "鲜牛奶";
        QTest::newRow("comma") << "1,234.50" << "\"1,234.50\"";
        QTest::newRow("quote") << "O'Neil \"VIP\"" << "\"O'Neil \"\"VIP\"\"\"";
        QTest::newRow("line break") << "第一行\n第二行" << "\"第一行\n第二行\"";
        QTest::newRow("carriage return") << "a\rb" << "\"a\rb\"";
        QTest::newRow("empty") << "" << "";
    }
    void csvQuoting()
    {
        QFETCH(QString, cell);
        QFETCH(QString, field);
        GridSnapshot s;
        s.columns = {{"FName", "品名", 80, false}, {"FAmount", "金额", 80, true}};
        s.lines = {{{cell, "3.50"}, {}}};
        const QByteArray csv = s.toCsv();
        QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(QString::fromUtf8(csv.mid(3)), "品名,金额\r\n" + field + ",3.50\r\n");
    }

    void numbersOnlyInNumericColumns_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("col");
        QTest::addColumn<bool>("number");
        QTest::addColumn<double>("value");
        QTest::newRow("amount") << "12.50" << 1 << true << 12.5;
        QTest::newRow("grouped") << "1,234.50" << 1 << true << 1234.5;
        QTest::newRow("negative") << "-50.00" << 1 << true << -50.0;
        QTest::newRow("words") << "合计" << 1 << false << 0.0;
        QTest::newRow("trailing text") << "3笔" << 1 << false << 0.0;
        QTest::newRow("phone in text column") << "13800000001" << 0 << false << 0.0;
    }
    void numbersOnlyInNumericColumns()
    {
        QFETCH(QString, text);
        QFETCH(int, col);
        QFETCH(bool, number);
        QFETCH(double, value);
        GridSnapshot s;
        s.columns = {{"FPhone", "电话", 80, false}, {"FAmount", "金额", 80, true}};
        s.lines = {{{text, text}, {}}};
        double v = 0;
        QCOMPARE(s.numberAt(0, col, &v), number);
        if (number)
            QCOMPARE(v, value);
    }
};

QTEST_GUILESS_MAIN(tst_PrintCore)
#include "tst_PrintCore.moc"
