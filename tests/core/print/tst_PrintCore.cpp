#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "core/print/GridFormatStore.h"
#include "core/print/GridSnapshot.h"
#include "core/print/PrintTemplate.h"
#include "core/print/RecordSet.h"
#include "core/print/TemplateLibrary.h"
#include "core/print/TemplateStore.h"

using T = RecordSet::Type;

namespace {
RecordSet receiptData()
{
    RecordSet rs;
    rs.appendField("FDate", T::Date);
    rs.appendField("FName", T::Text, 8);
    for (const char *f : {"FQty", "FPrice"})
        rs.appendField(f, T::Text, 40);
    rs.appendField("FInterID", T::Integer);
    rs.appendField("FGetCash", T::Double);
    rs.appendField("FPrintTime", T::Date);
    const QList<QList<std::pair<const char *, QVariant>>> records{
        {{"fdate", QDate(2026, 3, 5)}, {"FNAME", "鲜牛奶 250ml"}, {"FQty", "2"}, {"FPrice", "3.50"},
         {"FInterID", "17x"}, {"FGetCash", 12.5}, {"FPrintTime", QDateTime(QDate(2026, 3, 5), QTime(8, 7, 9))}},
        {{"FName", "草莓酸奶"}, {"FQty", "0"}, {"FPrice", ""}, {"FGetCash", ""}}};
    for (const auto &record : records) {
        rs.addNew();
        for (const auto &[field, value] : record)
            rs.setValue(field, value);
    }
    rs.moveFirst();
    return rs;
}
} // namespace

class tst_PrintCore : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    void recordSetCursor()
    {
        RecordSet rs = receiptData();
        QCOMPARE(rs.recordCount(), 2);
        QCOMPARE(rs.position(), 0);
        QVERIFY(rs.value(1, "FGetCash").isNull()); // an empty text is no number
        rs.moveNext();
        rs.moveNext();
        QVERIFY(rs.eof());
        QVERIFY(rs.value("FName").isNull());
    }

    void badInputIsRefused()
    {
        TestDb t;
        RecordSet rs;
        rs.appendField("FName", T::Text, 10);
        QVERIFY_THROWS_EXCEPTION(db::DbError, rs.setValue("FName", "x")); // no current record
        QVERIFY_THROWS_EXCEPTION(db::DbError, rs.appendField("fname", T::Text));
        rs.addNew();
        QTest::ignoreMessage(QtWarningMsg, "RecordSet: no field FNope");
        rs.setValue("FNope", 1); // the program's own slip: warned, nothing stored
        for (const char *json : {"receipt", "[1,2]", R"({"paper":"Z9","lines":[]})"})
            QVERIFY_THROWS_EXCEPTION(db::DbError, PrintTemplate::fromJson(json));
        QVERIFY_THROWS_EXCEPTION(db::DbError, TemplateStore::save(t.cnstr(), 1002, "  ", TemplateLibrary::builtIn(1002)));
        for (const GridFormatStore::PageSetup &p : {GridFormatStore::PageSetup{"A4", false, -1, 1, 1, 1},
                                                    GridFormatStore::PageSetup{"Z1", false, 1, 1, 1, 1}})
            QVERIFY_THROWS_EXCEPTION(db::DbError, GridFormatStore::savePageSetup(t.cnstr(), "frmA", p));
    }

    // Field texts filled in, and conditions ("when") that decide whether a line prints.
    void expand_data()
    {
        QTest::addColumn<bool>("when");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("record");
        QTest::addColumn<QString>("expected");
        QTest::newRow("text cut to its size") << false << "品名：{FName}" << 0 << "品名：鲜牛奶 250m";
        QTest::newRow("integer from leading digits") << false << "{FInterID}" << 0 << "17";
        QTest::newRow("date") << false << "{FDate}" << 0 << "2026-03-05";
        QTest::newRow("date with time") << false << "{FPrintTime}" << 0 << "2026-03-05 08:07";
        QTest::newRow("double") << false << "{FGetCash}" << 0 << "12.50";
        QTest::newRow("any case") << false << "{fqty}×{FPRICE}" << 0 << "2×3.50";
        QTest::newRow("date format") << false << "{FDate:yyyy年M月d日}" << 0 << "2026年3月5日";
        QTest::newRow("number format on text") << false << "{FQty:0.00}" << 0 << "2.00";
        QTest::newRow("empty stays empty") << false << "[{FPrice:0.00}]" << 1 << "[]";
        QTest::newRow("unknown field prints nothing") << false << "a{FNope}b" << 0 << "ab";
        QTest::newRow("lone braces stay") << false << "{ x } {" << 0 << "{ x } {";
        QTest::newRow("when: none") << true << "" << 1 << "1";
        QTest::newRow("when: set text") << true << "FPrice" << 0 << "1";
        QTest::newRow("when: empty text") << true << "FPrice" << 1 << "0";
        QTest::newRow("when: zero text") << true << "FQty" << 1 << "0";
        QTest::newRow("when: inverted empty") << true << "!FPrice" << 1 << "1";
        QTest::newRow("when: date is set") << true << "FDate" << 0 << "1";
        QTest::newRow("when: unknown field") << true << "FNope" << 0 << "0";
    }
    void expand()
    {
        QFETCH(bool, when);
        QFETCH(QString, text);
        QFETCH(int, record);
        QFETCH(QString, expected);
        const RecordSet rs = receiptData();
        QCOMPARE(when ? QString::number(PrintTemplate::holds(text, rs, record)) : PrintTemplate::expand(text, rs, record),
                 expected);
    }

    void fillRepeatsBandPerRecord()
    {
        using S = PrintTemplate::Section;
        PrintTemplate t;
        t.lines = {PrintTemplate::makeLine(S::Footer, "合计 {FGetCash}"),
                   PrintTemplate::makeLine(S::Band, "{FName}|{FQty}", "70", "LR"),
                   PrintTemplate::makeLine(S::Band, "单价 {FPrice}", "", "", 8, false, "FPrice"),
                   PrintTemplate::makeLine(S::Header, "日期 {FDate}")};
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
    }

    void gridFormatPerName()
    {
        TestDb t;
        const GridFormatStore::PageSetup defaults, p{"A5", true, 5, 6, 7, 8.5};
        QCOMPARE(GridFormatStore::pageSetup(t.cnstr(), "frmA"), defaults);
        GridFormatStore::savePageSetup(t.cnstr(), "frmA", p);
        GridFormatStore::savePageSetup(t.cnstr(), "frmA", p); // again: still one row
        QCOMPARE(GridFormatStore::pageSetup(t.cnstr(), "frmA"), p);
        QCOMPARE(GridFormatStore::pageSetup(t.cnstr(), "frmB"), defaults);
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from t_GridPageSet").toInt(), 1);

        // Widths are replaced as a whole, in the order given.
        GridFormatStore::saveWidths(t.cnstr(), "frmA", {{"FName", 120}, {"FQty", 0}, {"FAmount", 80}});
        GridFormatStore::saveWidths(t.cnstr(), "frmA", {{"FAmount", 90}, {"FName", 100}});
        GridFormatStore::saveWidths(t.cnstr(), "frmB", {{"FName", 10}});
        const QList<GridFormatStore::Width> expected{{"FAmount", 90}, {"FName", 100}};
        QCOMPARE(GridFormatStore::widths(t.cnstr(), "frmA"), expected);
    }

    // One cell in a text and in a numeric column: how CSV quotes it, whether it exports as a number.
    void snapshotCells_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("number"); // invalid: stays text
        QTest::newRow("plain") << "鲜牛奶" << "鲜牛奶" << QVariant();
        QTest::newRow("comma") << "1,234.50" << "\"1,234.50\"" << QVariant(1234.5);
        QTest::newRow("quote") << "O'Neil \"VIP\"" << "\"O'Neil \"\"VIP\"\"\"" << QVariant();
        QTest::newRow("line break") << "第一行\n第二行" << "\"第一行\n第二行\"" << QVariant();
        QTest::newRow("empty") << "" << "" << QVariant();
        QTest::newRow("amount") << "12.50" << "12.50" << QVariant(12.5);
        QTest::newRow("negative") << "-50.00" << "-50.00" << QVariant(-50.0);
        QTest::newRow("trailing text") << "3笔" << "3笔" << QVariant();
        QTest::newRow("phone") << "13800000001" << "13800000001" << QVariant(13800000001.0);
    }
    void snapshotCells()
    {
        QFETCH(QString, cell);
        QFETCH(QString, field);
        QFETCH(QVariant, number);
        GridSnapshot s;
        s.columns = {{"FPhone", "电话", 80, false}, {"FAmount", "金额", 80, true}};
        s.lines = {{{cell, cell}, {}}};
        const QByteArray csv = s.toCsv();
        QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(QString::fromUtf8(csv.mid(3)), "电话,金额\r\n" + field + "," + field + "\r\n");
        double v = 0;
        QVERIFY(!s.numberAt(0, 0, &v)); // a text column never holds numbers
        QCOMPARE(s.numberAt(0, 1, &v), number.isValid());
        if (number.isValid())
            QCOMPARE(v, number.toDouble());
    }
};

QTEST_GUILESS_MAIN(tst_PrintCore)
#include "tst_PrintCore.moc"
