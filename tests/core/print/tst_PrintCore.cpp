#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "core/members/RechargeBill.h"
#include "core/orders/OrderDraft.h"
#include "core/orders/OrderReceipt.h"
#include "core/pos/SaleReceipt.h"
#include "core/base/CoreError.h"
#include "core/print/GridFormatStore.h"
#include "core/print/GridSnapshot.h"
#include "core/print/PrintTemplate.h"
#include "core/print/PrintTypes.h"
#include "core/print/RecordSet.h"
#include "core/print/TemplateLibrary.h"
#include "core/print/TemplateStore.h"

using T = RecordSet::Type;

namespace {
// Two records, the fields set by names in any case; the second leaves some out.
RecordSet receiptData()
{
    RecordSet rs;
    const QList<std::pair<const char *, T>> fields{
        {"FDate", T::Date},     {"FName", T::Text},       {"FQty", T::Text},
        {"FPrice", T::Text},    {"FInterID", T::Integer}, {"FGetCash", T::Double},
        {"FPrintTime", T::Date}};
    for (const auto &[name, type] : fields)
        rs.appendField(name, type, type != T::Text ? 0 : QByteArray(name) == "FName" ? 8 : 40);
    rs.addNew();
    const QVariantList first{QDate(2026, 3, 5), "鲜牛奶 250ml", "2", "3.50", "17x", 12.5,
                             QDateTime(QDate(2026, 3, 5), QTime(8, 7, 9))};
    for (int i = 0; i < fields.size(); ++i)
        rs.setValue(QString(fields[i].first).toLower(), first[i]);
    rs.addNew();
    for (const auto &[name, value] :
         {std::pair{"FName", "草莓酸奶"}, {"FQty", "0"}, {"FPrice", ""}, {"FGetCash", ""}})
        rs.setValue(name, value);
    rs.moveFirst();
    return rs;
}
} // namespace

class tst_PrintCore : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // The cursor runs off the end; bad templates and page setups are refused.
    void recordSetAndBadInput()
    {
        TestDb t;
        RecordSet rs = receiptData();
        QVERIFY(rs.value(1, "FGetCash").isNull()); // an empty text is no number
        rs.moveNext();
        rs.moveNext();
        QVERIFY(rs.eof() && rs.value("FName").isNull());
        for (const char *json : {"receipt", "[1,2]", R"({"paper":"Z9","lines":[]})"})
            QVERIFY_THROWS_EXCEPTION(CoreError, PrintTemplate::fromJson(json));
        QVERIFY_THROWS_EXCEPTION(CoreError,
                                 TemplateStore::save(t.cnstr(), PrintTypes::Sale, "  ",
                                                     TemplateLibrary::builtIn(PrintTypes::Sale)));
        for (const char *paper : {"A4", "Z1"})
            QVERIFY_THROWS_EXCEPTION(
                CoreError,
                GridFormatStore::savePageSetup(
                    t.cnstr(), "frmA", {paper, false, *paper == 'A' ? -1.0 : 1.0, 1, 1, 1}));
    }

    // Field texts filled in, and conditions ("when") that decide whether a line prints.
    void expand_data()
    {
        QTest::addColumn<bool>("when");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("record");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("text cut to its size") << false << "品名：{FName}" << 0 << "品名：鲜牛奶 250m";
        QTest::newRow("dates") << false << "{FDate} {FPrintTime}" << 0 << "2026-03-05 2026-03-05 08:07";
        QTest::newRow("formats") << false << "{FDate:yyyy年M月d日} {FQty:0.00}" << 0 << "2026年3月5日 2.00";
        QTest::newRow("empty stays empty") << false << "[{FPrice:0.00}]" << 1 << "[]";
        QTest::newRow("unknown field prints nothing") << false << "a{FNope}b" << 0 << "ab";
        QTest::newRow("when: empty text") << true << "FPrice" << 1 << "0";
        QTest::newRow("when: inverted empty") << true << "!FPrice" << 1 << "1";
        QTest::newRow("when: unknown field") << true << "FNope" << 0 << "0";
        // clang-format on
    }
    void expand()
    {
        QFETCH(bool, when);
        QFETCH(QString, text);
        QFETCH(int, record);
        QFETCH(QString, expected);
        const RecordSet rs = receiptData();
        QCOMPARE(when ? QString::number(PrintTemplate::holds(text, rs, record))
                      : PrintTemplate::expand(text, rs, record),
                 expected);
    }

    // A layout saved again under its trimmed name replaces it; a missing or damaged one
    // prints the built-in layout.
    void stores()
    {
        TestDb t;
        PrintTemplate a = TemplateLibrary::builtIn(PrintTypes::Sale);
        a.paper = "58";
        TemplateStore::save(t.cnstr(), PrintTypes::Sale, " 小票 ", a);
        a.paper = "A5";
        TemplateStore::save(t.cnstr(), PrintTypes::Sale, "小票", a);
        QCOMPARE(TemplateStore::names(t.cnstr(), PrintTypes::Sale), QStringList{"小票"});
        bool builtIn = true;
        QCOMPARE(TemplateStore::resolve(t.cnstr(), PrintTypes::Sale, "小票", &builtIn).paper,
                 QString("A5"));
        QVERIFY(!builtIn);
        db::execute(t.cnstr(),
                    "insert into TDBill (FTranType, FTDBillName, FTemplate) values (?,?,?)",
                    {PrintTypes::Sale, "坏格式", "{broken"});
        for (const char *name : {"没有", "坏格式"}) {
            const PrintTemplate r =
                TemplateStore::resolve(t.cnstr(), PrintTypes::Sale, name, &builtIn);
            QVERIFY(builtIn);
            QCOMPARE(r.toJson(), TemplateLibrary::builtIn(PrintTypes::Sale).toJson());
        }
    }

    // One cell in a text and in a numeric column: how CSV quotes it, whether it exports as a
    // number.
    void snapshotCells_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("number"); // invalid: stays text
        // clang-format off
        QTest::newRow("comma") << "1,234.50" << "\"1,234.50\"" << QVariant(1234.5);
        QTest::newRow("quote") << "O'Neil \"VIP\"" << "\"O'Neil \"\"VIP\"\"\"" << QVariant();
        QTest::newRow("negative") << "-50.00" << "-50.00" << QVariant(-50.0);
        // clang-format on
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
        QCOMPARE(s.numberAt(0, 1, &v) ? QVariant(v) : QVariant(), number);
    }

    // Each document prints its fields in its own order, a field the same wherever it stands;
    // the designer's sample has exactly the fields the document prints.
    void receiptFields_data()
    {
        QTest::addColumn<int>("tranType");
        QTest::addColumn<QString>("fields");
        QTest::newRow("sale") << 1002
                              << "FDate:D FVipNo:T255 FOwner:T255 FPhone:T255 FName:T255 FQty:T40 "
                                 "FPreQty:T40 FPrice:T40 FAmount:T40 FSumQty:T40 FSumAmount:T40 "
                                 "FInterID:I FBiller:T40 FPrintTime:D FBegBal:T255 FEndBal:T255 "
                                 "FSumBegBal:T255 FSumEndBal:T255 Fyxq:T255 FGetReserve:F "
                                 "FGetCash:F FReserveBal:F";
        QTest::newRow("order") << 1001
                               << "FDate:D FVipNo:T255 FOwner:T255 FPhone:T255 FName:T255 FQty:T40 "
                                  "FPreQty:T40 FPrice:T40 FAmount:T40 FSumQty:T40 FSumAmount:T40 "
                                  "Fyxq:T255 FInterID:I FBiller:T40 FPrintTime:D FGetCash:F "
                                  "FGetReserve:F FReserveBal:F FCashBack:F";
        QTest::newRow("recharge") << 250
                                  << "FVipNo:T255 FDate:D FInterID:I FOwner:T255 FBegBal:F "
                                     "FCzAmount:F FZsAmount:F FEndBal:F FBiller:T50 FPrintTime:D";
    }
    void receiptFields()
    {
        QFETCH(int, tranType);
        QFETCH(QString, fields);
        const auto describe = [](const RecordSet &rs) {
            QStringList out;
            for (const RecordSet::Field &f : rs.fields())
                out << f.name + ':' +
                           (f.type == T::Text      ? 'T' + QString::number(f.size)
                            : f.type == T::Date    ? QStringLiteral("D")
                            : f.type == T::Integer ? QStringLiteral("I")
                                                   : QStringLiteral("F"));
            return out.join(' ');
        };
        const RecordSet printed =
            tranType == 1002   ? SaleReceipt::fields()
            : tranType == 1001 ? OrderReceipt::build(OrderDraft(), {}, {}, {}, {}, {})
                               : RechargeBill::printData({}, {}, {}, {}, {}, {}, {}, {}, {});
        QCOMPARE(describe(printed), fields);
        QCOMPARE(describe(TemplateLibrary::sample(tranType)), fields);
    }
};

QTEST_GUILESS_MAIN(tst_PrintCore)
#include "tst_PrintCore.moc"
