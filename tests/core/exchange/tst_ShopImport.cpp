#include <atomic>
#include <thread>

#include <QStringEncoder>
#include <QtTest>

#include <xlsxwriter.h>

#include "Race.h"
#include "TestDb.h"
#include "core/backoffice/PriceStyleStore.h"
#include "core/db/Database.h"
#include "core/db/Transaction.h"
#include "core/exchange/ShopExport.h"
#include "core/exchange/ShopImport.h"
#include "core/base/CoreError.h"
#include "core/members/StoredValueLedger.h"
#include "core/pos/MemberOrders.h"
#include "core/pos/SaleBillStore.h"
#include "core/reports/StoredValueReport.h"

using Kind = ShopImport::Kind;
using Sheet = QList<QStringList>;

namespace {

const QDate kToday(2026, 12, 7);

// An XLSX fixture: "#123" is a number cell, "D:2026-12-31" a date-formatted serial, "F:7" a
// formula whose cached value is 7, "M:" merges the cell with the one on its right; anything
// else a text cell.
void writeXlsx(const QString &path, const Sheet &rows)
{
    lxw_workbook *wb = workbook_new(path.toUtf8().constData());
    lxw_worksheet *ws = workbook_add_worksheet(wb, "导入");
    lxw_format *dateFmt = workbook_add_format(wb);
    format_set_num_format(dateFmt, "yyyy/m/d");
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows.at(r).size(); ++c) {
            const QString v = rows.at(r).at(c);
            if (v.startsWith(u'#')) {
                worksheet_write_number(ws, lxw_row_t(r), lxw_col_t(c), v.mid(1).toDouble(), nullptr);
            } else if (v.startsWith(QLatin1String("D:"))) {
                const QDate d = QDate::fromString(v.mid(2), Qt::ISODate);
                lxw_datetime dt{d.year(), d.month(), d.day(), 0, 0, 0};
                worksheet_write_datetime(ws, lxw_row_t(r), lxw_col_t(c), &dt, dateFmt);
            } else if (v.startsWith(QLatin1String("F:"))) {
                worksheet_write_formula_num(ws, lxw_row_t(r), lxw_col_t(c), "=3+4", nullptr, v.mid(2).toDouble());
            } else if (v.startsWith(QLatin1String("M:"))) {
                worksheet_merge_range(ws, lxw_row_t(r), lxw_col_t(c), lxw_row_t(r), lxw_col_t(c + 1),
                                      v.mid(2).toUtf8().constData(), nullptr);
                break;
            } else if (!v.isEmpty()) {
                worksheet_write_string(ws, lxw_row_t(r), lxw_col_t(c), v.toUtf8().constData(), nullptr);
            }
        }
    QCOMPARE(workbook_close(wb), LXW_NO_ERROR);
}

// A CSV fixture as spreadsheets write them: GB18030, or UTF-8 with a byte-order mark. The
// XLSX markers become plain text.
void writeCsv(const QString &path, const Sheet &rows, bool gb18030)
{
    QString text;
    for (const QStringList &row : rows) {
        QStringList cells;
        for (QString c : row) {
            if (c.startsWith(u'#'))
                c = c.mid(1);
            else if (c.startsWith(QLatin1String("D:")) || c.startsWith(QLatin1String("F:")))
                c = c.mid(2);
            cells << (c.contains(u',') ? u'"' + c + u'"' : c);
        }
        text += cells.join(u',') + QLatin1String("\r\n");
    }
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    if (gb18030) {
        QStringEncoder enc("GB18030");
        f.write(enc.encode(text));
    } else {
        f.write("\xEF\xBB\xBF" + text.toUtf8());
    }
}

const Sheet kItems{
    {"商品名称", "店内码", "条码", "单位", "零售价", "包装条码", "每包件数", "包装价"},
    {"鲜牛奶 250ml", "001", "06901234567890", "袋", "2.50", "16901234567897", "12", "28.00"},
    {"酸奶, 原味", "002", "#6901234567891", "杯", "#3.5", "", "", ""},
};
const Sheet kMembers{
    {"Card Number", "持卡人", "电话", "期初余额"},
    {"V001", "张三", "013800000001", "100.00"},
    {"V002", "李四", "13800000002", "#0"},
};
const Sheet kOrders{
    {"外部单号", "卡号", "店内码", "订购数量", "赠送数量", "已取数量", "有效期", "实付金额", "单价"},
    {"E1", "V001", "001", "30", "2", "5", "D:2026-12-31", "75.00", "2.50"},
    {"E1", "V001", "002", "F:10", "", "", "2027年1月5日", "35", "3.50"},
    {"E2", "V002", "001", "4", "0", "4", "2026/12/7", "10", "2.50"},
};

QString fixture(const TestDb &t, const QString &name, const Sheet &rows, const QString &format)
{
    const QString path = t.dir() + u'/' + name + (format == QLatin1String("xlsx") ? ".xlsx" : ".csv");
    if (format == QLatin1String("xlsx"))
        writeXlsx(path, rows);
    else
        writeCsv(path, rows, format == QLatin1String("gb18030"));
    return path;
}

ShopImport::Options options(bool update = false)
{
    ShopImport::Options o;
    o.today = kToday;
    o.update = update;
    return o;
}

ShopImport::Result run(const QString &cnstr, Kind kind, const QString &path, bool update = false,
                       const ShopImport::Hooks &hooks = {})
{
    const ShopImport::Plan plan = ShopImport::read(cnstr, kind, path, options(update), hooks);
    return ShopImport::write(cnstr, plan, options(update), hooks);
}

QString refusals(const QString &cnstr, Kind kind, const QString &path, bool update = false)
{
    try {
        QStringList out;
        for (const ShopImport::Refusal &r : ShopImport::read(cnstr, kind, path, options(update), {}).refusals)
            out << r.text();
        return out.join(u'|');
    } catch (const CoreError &e) {
        return e.message();
    }
}

void newShop(const TestDb &t)
{
    PriceStyleStore::add(t.cnstr(), PriceStyleStore::retailName());
}

const char *kItemsDump = "select i.FShopNumber, i.FNumber, i.FBar_Code, i.FName, i.FUnit, i.FPrice_1,"
                         " b.FBarCode, b.FExchange, b.FPrice from t_icitem i"
                         " left join t_icitem_barcode b on b.FItemID=i.FItemID order by i.FShopNumber";
const char *kOrdersDump =
    "select h.FRemark, h.FVipNo, h.FClosed, h.FGetCash, h.FGetReserve, h.FSumQty, i.FShopNumber, e.FQty,"
    " e.FPreQty, e.FCplQty, e.FPrice, e.FYxq from VipOrder h join VipOrderEntry e on e.FInterID=h.FInterID"
    " join t_icitem i on i.FItemID=e.FItemID order by h.FRemark, e.FEntryID";

QString balances(const QString &cnstr)
{
    return StoredValueLedger::balance(cnstr, "V001").format() + u'/' +
           StoredValueLedger::balance(cnstr, "V002").format();
}

void importAll(const TestDb &t, const QString &format)
{
    run(t.cnstr(), Kind::Items, fixture(t, "items", kItems, format));
    run(t.cnstr(), Kind::Members, fixture(t, "members", kMembers, format));
    run(t.cnstr(), Kind::Orders, fixture(t, "orders", kOrders, format));
}

// One station's files: its own items, cards and orders, and one card and one order that the
// other station's files hold too.
QStringList stationFiles(const TestDb &t, const QString &tag)
{
    Sheet items{{"店内码", "商品名称", "条码", "零售价", "包装条码", "每包件数"}};
    Sheet members{{"卡号", "期初余额"}, {"V0", "50"}};
    Sheet orders{{"外部单号", "卡号", "店内码", "订购数量", "实付金额"}, {"E0", "V0", "001", "5", "12.50"}};
    for (int i = 1; i <= 30; ++i) {
        const QString n = tag + QString::number(i);
        items << QStringList{n, "奶" + n, QStringLiteral("0%1%2").arg(tag == "A" ? 1 : 2).arg(i, 5, 10, QLatin1Char('0')),
                             "2.5", QStringLiteral("9%1%2").arg(tag == "A" ? 1 : 2).arg(i, 5, 10, QLatin1Char('0')), "6"};
        members << QStringList{"V" + n, QString::number(i)};
        orders << QStringList{"E" + n, "V" + n, "002", QString::number(i), "1"};
    }
    return {fixture(t, "items" + tag, items, "xlsx"), fixture(t, "members" + tag, members, "csv"),
            fixture(t, "orders" + tag, orders, "xlsx")};
}

} // namespace

class tst_ShopImport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // Each kind from each file form: codes keep their zeros and digits, balances come in as
    // opening movements, orders keep their open units and no money moves; the same files
    // again change nothing.
    void importEachKind_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("xlsx") << "xlsx";
        QTest::newRow("csv gb18030") << "gb18030";
        QTest::newRow("csv utf-8 bom") << "utf8";
    }
    void importEachKind()
    {
        QFETCH(QString, format);
        TestDb t;
        newShop(t);
        const QString items = "001,001,06901234567890,鲜牛奶 250ml,袋,2.5,16901234567897,12,28;"
                              "002,002,6901234567891,酸奶, 原味,杯,3.5,,,";
        const QString orders = "导入单号：E1,V001,0,110,0,42,001,30,2,5,2.5,2026-12-31;"
                               "导入单号：E1,V001,0,110,0,42,002,10,0,0,3.5,2027-01-05;"
                               "导入单号：E2,V002,1,10,0,4,001,4,0,4,2.5,2026-12-07";
        for (int pass = 0; pass < 2; ++pass) {
            const ShopImport::Result r = run(t.cnstr(), Kind::Items, fixture(t, "items", kItems, format));
            QCOMPARE(r.added, pass == 0 ? 2 : 0);
            QCOMPARE(r.unchanged, pass == 0 ? 0 : 2);
            run(t.cnstr(), Kind::Members, fixture(t, "members", kMembers, format));
            run(t.cnstr(), Kind::Orders, fixture(t, "orders", kOrders, format));
            QCOMPARE(TestDb::dump(t.cnstr(), kItemsDump), items);
            QCOMPARE(TestDb::dump(t.cnstr(), "select FCode from t_icitem_code order by FCode"),
                     "06901234567890;16901234567897;6901234567891");
            QCOMPARE(TestDb::dump(t.cnstr(), "select FVipNo, FOwner, FPhone, FTranType, FKAmount, FRemark"
                                             " from VipCzBill order by FVipNo"),
                     "V001,张三,013800000001,1,100,期初余额;V002,李四,13800000002,1,0,期初余额");
            QCOMPARE(TestDb::dump(t.cnstr(), kOrdersDump), orders);
            QCOMPARE(balances(t.cnstr()), "100.00/0.00");
        }
    }

    // Export, then import into an empty shop: the same rows, balances and open quantities,
    // through either file form.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::newRow("xlsx") << "xlsx";
        QTest::newRow("csv") << "csv";
    }
    void roundTrip()
    {
        QFETCH(QString, suffix);
        TestDb a, b;
        newShop(a);
        newShop(b);
        importAll(a, "xlsx");
        for (Kind kind : {Kind::Items, Kind::Members, Kind::Orders}) {
            const QString path = a.dir() + "/out." + QString::number(int(kind)) + u'.' + suffix;
            ShopExport::write(a.cnstr(), kind, path, kToday);
            const ShopImport::Result r = run(b.cnstr(), kind, path);
            QVERIFY(r.added > 0);
        }
        QCOMPARE(TestDb::dump(b.cnstr(), kItemsDump), TestDb::dump(a.cnstr(), kItemsDump));
        QCOMPARE(balances(b.cnstr()), "100.00/0.00");
        // The closed order is not open any more, so it does not travel.
        QCOMPARE(TestDb::dump(b.cnstr(), kOrdersDump),
                 TestDb::dump(a.cnstr(), QByteArray(kOrdersDump).replace("order by", "where h.FClosed=0 order by")));
    }

    // A refused row names its row, column and reason, and nothing of the file is written.
    void refusedRows_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<Sheet>("sheet");
        QTest::addColumn<QString>("refused");
        const QStringList ih{"店内码", "商品名称", "条码"};
        QTest::newRow("code of another item")
            << int(Kind::Items) << Sheet{ih, {"010", "新奶", "0123"}, {"011", "旧码", "06901234567890"}}
            << "第3行 条码：已被商品“鲜牛奶 250ml”使用";
        QTest::newRow("shop number twice")
            << int(Kind::Items) << Sheet{ih, {"010", "新奶", "0123"}, {"010", "又一个", "0124"}}
            << "第3行 店内码：与第2行重复";
        QTest::newRow("price with three decimals")
            << int(Kind::Items) << Sheet{{"店内码", "商品名称", "零售价"}, {"010", "新奶", "1.005"}}
            << "第2行 零售价：金额最多两位小数";
        QTest::newRow("no name") << int(Kind::Items) << Sheet{ih, {"010", "", "0123"}}
                                 << "第2行 商品名称：请输入商品名称";
        const QStringList mh{"卡号", "期初余额"};
        QTest::newRow("card twice") << int(Kind::Members) << Sheet{mh, {"V9", "1"}, {"V9", "2"}}
                                    << "第3行 卡号：与第2行重复";
        QTest::newRow("card holding a balance")
            << int(Kind::Members) << Sheet{mh, {"V9", "1"}, {"V001", "50"}}
            << "第3行 卡号：卡内已有余额 100.00 元（选择“更新”可改为表中的余额）";
        QTest::newRow("negative balance") << int(Kind::Members) << Sheet{mh, {"V9", "-1"}}
                                          << "第2行 期初余额：金额不能为负数";
        const QStringList oh{"外部单号", "卡号", "店内码", "订购数量", "赠送数量", "已取数量", "有效期"};
        QTest::newRow("negative quantity") << int(Kind::Orders) << Sheet{oh, {"E9", "V9", "001", "-3"}}
                                           << "第2行 订购数量：数量必须是不小于0的整数";
        QTest::newRow("fractional quantity") << int(Kind::Orders) << Sheet{oh, {"E9", "V9", "001", "2", "0.5"}}
                                             << "第2行 赠送数量：数量必须是不小于0的整数";
        QTest::newRow("handed out above ordered and gift")
            << int(Kind::Orders) << Sheet{oh, {"E9", "V9", "001", "3", "1", "5"}}
            << "第2行 已取数量：已取数量不能大于订购数量与赠送数量之和";
        QTest::newRow("unknown item") << int(Kind::Orders) << Sheet{oh, {"E9", "V9", "999", "3"}}
                                      << "第2行 店内码：找不到商品“999”";
        QTest::newRow("same item twice in an order")
            << int(Kind::Orders) << Sheet{oh, {"E9", "V9", "001", "3"}, {"E9", "V9", "001", "3"}}
            << "第3行 店内码：同一单号的商品与第2行重复";
        QTest::newRow("date in another form")
            << int(Kind::Orders) << Sheet{oh, {"E9", "V9", "001", "3", "", "", "12/7/2026"}}
            << "第2行 有效期：“12/7/2026”不是日期（写作 2026-12-07、2026/12/7 或 2026年12月7日）";
        QTest::newRow("no such day")
            << int(Kind::Orders) << Sheet{oh, {"E9", "V9", "001", "3", "", "", "2026-02-30"}}
            << "第2行 有效期：“2026-02-30”不是日期（写作 2026-12-07、2026/12/7 或 2026年12月7日）";
        QTest::newRow("header without a required column")
            << int(Kind::Orders) << Sheet{{"外部单号", "商品", "数量"}, {"E9", "001", "1"}}
            << "第1行的表头缺少必需的列：卡号";
        QTest::newRow("header only") << int(Kind::Members) << Sheet{mh} << "表格中只有表头，没有数据";
        QTest::newRow("empty sheet") << int(Kind::Members) << Sheet{} << "表格是空的";
        QTest::newRow("merged cells") << int(Kind::Members) << Sheet{mh, {"M:V9"}}
                                      << "表格中有合并的单元格，请取消合并后再导入";
    }
    void refusedRows()
    {
        QFETCH(int, kind);
        QFETCH(Sheet, sheet);
        QFETCH(QString, refused);
        TestDb t;
        newShop(t);
        importAll(t, "xlsx");
        const QString before = TestDb::dump(t.cnstr(), kItemsDump) + TestDb::dump(t.cnstr(), kOrdersDump) +
                               TestDb::dump(t.cnstr(), "select count(*) from VipCzBill");
        const QString path = fixture(t, "bad", sheet, "xlsx");
        QCOMPARE(refusals(t.cnstr(), Kind(kind), path), refused);
        QCOMPARE(TestDb::refusalOf([&] { run(t.cnstr(), Kind(kind), path); }).left(refused.size() + 40)
                     .contains(refused), true);
        QCOMPARE(TestDb::dump(t.cnstr(), kItemsDump) + TestDb::dump(t.cnstr(), kOrdersDump) +
                     TestDb::dump(t.cnstr(), "select count(*) from VipCzBill"),
                 before);
    }

    void notASpreadsheet_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("text named xlsx") << "a.xlsx" << QByteArray("卡号,期初余额\n");
        QTest::newRow("a zip without a sheet") << "a.xlsx" << QByteArray("PK\x03\x04garbage", 11);
        QTest::newRow("a picture") << "a.png" << QByteArray("\x89PNG\r\n", 6);
        QTest::newRow("binary csv") << "a.csv" << QByteArray("a\0b", 3);
    }
    void notASpreadsheet()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        TestDb t;
        QFile f(t.dir() + u'/' + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        QCOMPARE(refusals(t.cnstr(), Kind::Members, f.fileName()), "文件不是电子表格（XLSX 或 CSV）");
    }

    // A cancel in the middle of writing rolls back the rows already written.
    void cancelWritesNothing()
    {
        TestDb t;
        newShop(t);
        Sheet sheet{kItems.first()};
        for (int i = 0; i < 300; ++i)
            sheet << QStringList{"奶" + QString::number(i), QString::number(1000 + i), QString(), "袋", "1"};
        const QString path = fixture(t, "many", sheet, "xlsx");
        const ShopImport::Plan plan = ShopImport::read(t.cnstr(), Kind::Items, path, options(), {});
        QCOMPARE(plan.rows, 300);
        int asked = 0;
        qint64 lastDone = 0;
        ShopImport::Hooks hooks{[&](qint64 done, qint64) { lastDone = done; }, [&] { return ++asked > 200; }};
        QCOMPARE(TestDb::refusalOf([&] { ShopImport::write(t.cnstr(), plan, options(), hooks); }),
                 ShopImport::cancelledMessage());
        QVERIFY(lastDone >= 128);
        QCOMPARE(TestDb::dump(t.cnstr(), "select count(*) from t_icitem"), "0");
        QCOMPARE(TestDb::dump(t.cnstr(), "select count(*) from t_icitem_code"), "0");
    }

    // The check keeps no rows and the write reads the file again: a file changed in between is
    // refused, even one of the same size whose modification time was set back.
    void changedFileRefused_data()
    {
        QTest::addColumn<bool>("sameSize");
        QTest::newRow("rewritten") << false;
        QTest::newRow("same size, time set back") << true;
    }
    void changedFileRefused()
    {
        QFETCH(bool, sameSize);
        TestDb t;
        newShop(t);
        const QString path = fixture(t, "items", kItems, sameSize ? "utf8" : "xlsx");
        const ShopImport::Plan plan = ShopImport::read(t.cnstr(), Kind::Items, path, options(), {});
        if (sameSize) {
            QThread::msleep(20); // a change time apart from the check's
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite));
            const QDateTime was = f.fileTime(QFileDevice::FileModificationTime);
            const QByteArray bytes = f.readAll();
            f.seek(0);
            f.write(QByteArray(bytes).replace("2.50", "9.50"));
            QVERIFY(f.setFileTime(was, QFileDevice::FileModificationTime));
        } else {
            fixture(t, "items", {kItems.at(0), kItems.at(1)}, "xlsx");
        }
        QCOMPARE(TestDb::refusalOf([&] { ShopImport::write(t.cnstr(), plan, options(), {}); }),
                 ShopImport::changedMessage());
        QCOMPARE(TestDb::dump(t.cnstr(), "select count(*) from t_icitem"), "0");
    }

    // A sheet of several batches: again with a few prices changed and one item more, it adds
    // that one and updates the few; a refusal in a late batch, found by the check or by the
    // write after earlier batches went in, leaves the shop as it was.
    void manyRowsAgain()
    {
        TestDb t;
        newShop(t);
        const auto items = [](int n, int changed) {
            Sheet s{kItems.first()};
            for (int i = 0; i < n; ++i) {
                const QString k = QString::number(10000 + i);
                s << QStringList{"奶" + k, k, "69" + k, "袋", i < changed ? "3" : "2.5", "79" + k, "6", "14"};
            }
            return s;
        };
        QCOMPARE(run(t.cnstr(), Kind::Items, fixture(t, "a", items(1200, 0), "xlsx")).added, 1200);
        const ShopImport::Result again = run(t.cnstr(), Kind::Items, fixture(t, "b", items(1201, 3), "xlsx"));
        QCOMPARE(QList<int>({again.added, again.updated, again.unchanged}), QList<int>({1, 3, 1197}));
        const char *counts = "select count(*), count(distinct FShopNumber), sum(FPrice_1),"
                             " (select count(*) from t_icitem_code), (select count(*) from t_icitem_barcode)"
                             " from t_icitem";
        const QString before = TestDb::dump(t.cnstr(), counts);
        QCOMPARE(before, "1201,1201,3004,2402,1201");

        Sheet twice = items(1201, 0);
        twice[1150][2] = "6910000";
        QCOMPARE(refusals(t.cnstr(), Kind::Items, fixture(t, "c", twice, "xlsx")),
                 "第1151行 条码：条码“6910000”与第2行重复");
        // Another station takes the last row's code between the check and the write.
        const ShopImport::Plan plan =
            ShopImport::read(t.cnstr(), Kind::Items, fixture(t, "d", items(1202, 1202), "xlsx"), options(), {});
        QVERIFY(plan.refusals.isEmpty());
        run(t.cnstr(), Kind::Items, fixture(t, "e", {{"店内码", "商品名称", "条码"}, {"X1", "抢先", "6911201"}}, "csv"));
        QCOMPARE(TestDb::refusalOf([&] { ShopImport::write(t.cnstr(), plan, options(), {}); }),
                 "第1203行 条码已被商品“抢先”使用");
        QCOMPARE(TestDb::dump(t.cnstr(), counts), "1202,1202,3004,2403,1201");
    }

    // An opening balance chains like any movement: a counter payment after it, then "更新"
    // setting the balance anew, and the member's statement starts from it.
    void openingBalanceChains()
    {
        TestDb t;
        newShop(t);
        importAll(t, "xlsx");
        db::Transaction tx(t.cnstr());
        StoredValueMovement pay;
        pay.vipNo = "V001";
        pay.date = kToday;
        pay.amount = Money::fromInt(30);
        StoredValueLedger::pay(tx, pay);
        tx.commit();
        const QString path = fixture(t, "members2", {{"卡号", "期初余额"}, {"V001", "120"}}, "csv");
        QCOMPARE(refusals(t.cnstr(), Kind::Members, path),
                 "第2行 卡号：卡内已有余额 70.00 元（选择“更新”可改为表中的余额）");
        QCOMPARE(run(t.cnstr(), Kind::Members, path, true).updated, 1);
        QCOMPARE(TestDb::movementChain(t.cnstr(), "V001"), "120.00");
        QCOMPARE(TestDb::dump(t.cnstr(), "select FTranType, FKAmount, FBegAmount, FEndAmount, FRemark"
                                         " from VipCzBill where FVipNo='V001' order by FInterID"),
                 "1,100,0,100,期初余额;2,30,100,70,;1,50,70,120,期初余额");
        const StoredValueReport::Result statement =
            StoredValueReport::run(t.cnstr(), 109, {kToday, kToday, "V001"});
        QStringList shown;
        for (const QStringList &l : statement.lines)
            shown << l.join(u',');
        QCOMPARE(shown, QStringList({"2026-12-07,期初余额,,,0.00,,", "2026-12-07,充值,100.00,,100.00,,期初余额",
                                     "2026-12-07,消费,,30.00,70.00,,", "2026-12-07,充值,50.00,,120.00,,期初余额"}));
    }

    // Two stations import different files at once, each sharing a card and an order with the
    // other: every item gets its own number and codes, the shared card one opening movement,
    // the shared order one number, and no bill number is drawn twice.
    void twoImportsRace()
    {
        TestDb t;
        newShop(t);
        run(t.cnstr(), Kind::Items, fixture(t, "items", kItems, "xlsx"));
        const QStringList a = stationFiles(t, "A"), b = stationFiles(t, "B");
        auto station = [&](const QStringList &files) {
            return [&t, files] {
                run(t.cnstr(), Kind::Orders, files.at(2));
                run(t.cnstr(), Kind::Items, files.at(0));
                run(t.cnstr(), Kind::Members, files.at(1));
            };
        };
        QCOMPARE(race(station(a), station(b)), QStringList({"", ""}));
        QCOMPARE(TestDb::dump(t.cnstr(), "select count(*), count(distinct FItemID), count(distinct FShopNumber),"
                                         " max(FItemID) from t_icitem"),
                 "62,62,62,62");
        QCOMPARE(TestDb::dump(t.cnstr(), "select count(*), count(distinct FItemID) from t_icitem_code"), "123,62");
        QCOMPARE(TestDb::dump(t.cnstr(), "select count(*) from t_icitem_barcode"), "61");
        QCOMPARE(TestDb::dump(t.cnstr(), "select count(*), count(distinct FVipNo), sum(FKAmount) from VipCzBill"),
                 "61,61,980");
        QCOMPARE(TestDb::movementChain(t.cnstr(), "V0"), "50.00");
        QCOMPARE(TestDb::dump(t.cnstr(), "select count(*), count(distinct FRemark), count(distinct FInterID),"
                                         " max(FInterID), min(FInterID) from VipOrder"),
                 "61,61,61,61,1");
        QCOMPARE(TestDb::dump(t.cnstr(), "select FMaxNum from ICMaxNum where FTranType=30"), "61");
        QCOMPARE(TestDb::dump(t.cnstr(), "select count(*), sum(FQty) from VipOrderEntry"), "61,935");
    }

    // An imported open order is handed out at the counter; its last unit closes it. Importing
    // the file again leaves the order as the counter left it.
    void importedOrderHandedOut()
    {
        TestDb t;
        newShop(t);
        importAll(t, "xlsx");
        const MemberLookup found = MemberOrders::lookup(t.cnstr(), "V001", kToday);
        QCOMPARE(found.lines.size(), 2);
        QCOMPARE(found.lines.at(0).open, 27);
        for (const OpenOrderLine &l : found.lines) {
            SaleBill b;
            b.date = kToday;
            b.vipNo = "V001";
            b.stockId = 1;
            b.addLine(MemberOrders::pickup(l, l.open));
            SaleBillStore::save(t.cnstr(), b, {}, 1);
        }
        QCOMPARE(TestDb::dump(t.cnstr(), "select FClosed from VipOrder where FRemark='导入单号：E1'"), "1");
        QCOMPARE(balances(t.cnstr()), "100.00/0.00");
        const ShopImport::Result again = run(t.cnstr(), Kind::Orders, fixture(t, "orders", kOrders, "xlsx"));
        QCOMPARE(again.unchanged, 2);
        QCOMPARE(TestDb::dump(t.cnstr(), "select sum(FCplQty) from VipOrderEntry"), "46");
    }
};

QTEST_GUILESS_MAIN(tst_ShopImport)
#include "tst_ShopImport.moc"
