#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/orders/OrderDraft.h"
#include "core/orders/OrderReceipt.h"

namespace {

// The refusal an action raises and the field it sends the cashier to, "message @ field".
QString refusalOf(const std::function<void()> &action)
{
    QString field;
    const QString message = TestDb::refusalOf(action, &field);
    return message.isEmpty() ? message : message + " @ " + field;
}

} // namespace

class tst_OrderDraft : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    void validity_data()
    {
        QTest::addColumn<QString>("gift");
        QTest::addColumn<int>("days");
        QTest::newRow("5") << "5" << 30;
        QTest::newRow("10") << "10" << 60;
        QTest::newRow("12 gives today") << "12" << 0;
        QTest::newRow("leading number") << "10瓶" << 60;
        QTest::newRow("text") << "abc" << 0;
    }
    void validity()
    {
        QFETCH(QString, gift);
        QFETCH(int, days);
        const QDate today(2026, 3, 10);
        QCOMPARE(OrderDraft::proposedValidity(today, gift), today.addDays(days));
    }

    // A line refused on adding leaves the draft empty; the whole order is checked on saving.
    void refusals_data()
    {
        QTest::addColumn<bool>("onSave");
        QTest::addColumn<QStringList>("input"); // adding: item, qty, gift, amount; saving:
                                                // card, identity, entry and line validity
        QTest::addColumn<QString>("refusal");
        const QString validity = QStringLiteral("有效期必须大于今日！ @ ");
        // clang-format off
        QTest::newRow("no item") << false << QStringList{"0", "1", "", "5.00"} << "商品名称不存在！ @ cmbItem";
        QTest::newRow("quantity 0") << false << QStringList{"1", "0", "", "5.00"} << "请输入数量！ @ txtQty";
        QTest::newRow("bar code as quantity") << false << QStringList{"1", "6901234500011", "", "5.00"} << "请输入数量！ @ txtQty";
        QTest::newRow("negative gift") << false << QStringList{"1", "1", "-2", "5.00"} << "请输入数量！ @ txtPreQty";
        QTest::newRow("amount 0") << false << QStringList{"1", "1", "", "0.00"} << "请输入金额！ @ txtAmount";
        QTest::newRow("no card") << true << QStringList{" ", "ID1", "", "-"} << "请输入会员卡号！ @ txtVipNo";
        QTest::newRow("no identity number") << true << QStringList{"V1", "", "", "-"} << "请输入身份证号！ @ txtVipID";
        QTest::newRow("no lines") << true << QStringList{"V1", "ID1", "", ""} << "请输入订单商品！ @ ";
        QTest::newRow("entry validity at the order date") << true << QStringList{"V1", "ID1", "0", "-"} << validity + "dtpYxq";
        QTest::newRow("line validity at the order date") << true << QStringList{"V1", "ID1", "", "0"} << validity + "FlexOrder";
        QTest::newRow("both later") << true << QStringList{"V1", "ID1", "1", "1"} << "";
        // clang-format on
    }
    void refusals()
    {
        QFETCH(bool, onSave);
        QFETCH(QStringList, input);
        QFETCH(QString, refusal);
        OrderDraft d;
        if (!onSave) {
            QCOMPARE(refusalOf([&] {
                         d.add(input[0].toInt(), "鲜奶", "5.00", input[1], input[2], input[3]);
                     }),
                     refusal);
            QVERIFY(d.isEmpty());
            return;
        }
        d.date = QDate(2026, 3, 10);
        d.vipNo = input[0];
        d.vipId = input[1];
        // Line validity: "-" none, a number of days after the order date; "" no line at all.
        if (!input[3].isEmpty())
            d.add(1, "鲜奶", "5.00", "10", "2", "50.00",
                  input[3] == "-" ? QDate() : d.date.addDays(input[3].toInt()));
        QCOMPARE(refusalOf([&] {
                     d.checkForSave(!input[2].isEmpty(), d.date.addDays(input[2].toInt()));
                 }),
                 refusal);
    }

    // 20.00 in the grid and 10.00 in the entry box: the label shows 30.00, the order is 20.00.
    // An empty gift counts 0; a typed amount wins over price × quantity. Line numbers are
    // those of the rows when added: deleting the second of three leaves 1 and 3, and the next
    // line is numbered by its row again.
    void totalsAndNumbers()
    {
        QCOMPARE(OrderDraft::entryAmount("4", "2.50"), Money::fromInt(10));
        QCOMPARE(OrderDraft::entryAmount("3", "1.115"), Money::parse("3.35"));
        OrderDraft d;
        d.add(1, "鲜奶", "2.50", "4", "", "12.00");
        d.add(2, "酸奶", "2.00", "4", "2", "8");
        d.add(1, "鲜奶", "5.00", "1", "0", "5.00");
        QCOMPARE(d.lines()[0].gift, qint64(0));
        QCOMPARE(d.lines()[1].amountText, QStringLiteral("8"));
        d.remove(2);
        QCOMPARE(d.sumAmount(), Money::fromInt(20));
        QCOMPARE(d.shownTotal("10.00"), Money::fromInt(30));
        QCOMPARE(d.sumQty(), qint64(10));
        QCOMPARE(d.due(), Money::fromInt(20));
        d.add(1, "鲜奶", "5.00", "1", "0", "5.00");
        d.remove(1);
        d.remove(7);
        QCOMPARE(d.lines().size(), 2);
        QCOMPARE(d.lines()[1].number, 3);
        QCOMPARE(d.add(2, "酸奶", "2.00", "1", "", "2.00").number, 3);
        QCOMPARE(d.sumAmount(), Money::fromInt(19));
    }

    // A stored order as the screen loads it: every line, also one whose item was deleted
    // elsewhere; amounts exact whatever their shown form; NULL validity and NULL hand-outs.
    void load_data()
    {
        QTest::addColumn<QVariant>("cplQty"); // of line 2
        QTest::addColumn<bool>("deleteItem");
        QTest::addColumn<bool>("mayEdit");
        QTest::addColumn<bool>("locked");
        QTest::newRow("untouched") << QVariant(0) << false << true << false;
        QTest::newRow("NULL hand-out") << QVariant() << false << true << false;
        QTest::newRow("one unit out") << QVariant(1) << false << true << true;
        QTest::newRow("no right to edit") << QVariant(0) << false << false << true;
        QTest::newRow("item deleted elsewhere") << QVariant(0) << true << true << true;
    }
    void load()
    {
        QFETCH(QVariant, cplQty);
        QFETCH(bool, deleteItem);
        QFETCH(bool, mayEdit);
        QFETCH(bool, locked);
        TestDb t;
        const QString c = t.cnstr();
        TestDb::insert(c, "t_icitem (FItemID, FName)", {{1, "鲜奶"}, {2, "酸奶"}});
        TestDb::insert(c, "VipOrder (FInterID, Fdate, FVipNo, FOwner, FPhone, FVipID, FGetCash, FGetReserve)",
                       {{7, QDate(2026, 3, 1), "V1", "王五", "139", "ID1", 1000, 244}});
        TestDb::insert(c, "VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty, FPrice, FAmount, FYxq)",
                       {{7, 1, 1, 10, 2, 0, 5, 50, QDate(2026, 5, 1)},
                        {7, 2, 2, 1000, 0, cplQty, 1.194, 1194, QVariant()}});
        if (deleteItem)
            db::execute(c, "delete from t_icitem where FItemID=?", {2});
        const OrderDraft d = OrderDraft::load(c, 7);
        QCOMPARE(
            (QStringList{QString::number(d.id), d.vipNo, d.owner, d.phone, d.vipId,
                         d.date.toString(Qt::ISODate), QString::number(d.lines().size()),
                         d.lines()[0].validTo.toString(Qt::ISODate), QString::number(d.sumQty()),
                         d.sumAmount().format(), d.due().format()}),
            (QStringList{"7", "V1", "王五", "139", "", "2026-03-01", "2", "2026-05-01", "1012",
                         "1244.00", "0.00"}));
        const OrderDraftLine &l = d.lines()[1];
        QCOMPARE((QStringList{l.priceText, l.amountText, l.qtyText, l.giftText, l.validText(),
                              QString::number(l.itemId)}),
                 (QStringList{"1.19", "1,194.00", "1000", "0", "", "2"}));
        QCOMPARE(l.amount, Money::fromInt(1194));
        QCOMPARE(l.itemMissing, deleteItem);
        QCOMPARE(d.isLocked(mayEdit), locked);
        QCOMPARE(OrderDraft::load(c, 8).id, 0);
    }

    // Holder, phone and identity number come from the card's first order, else from its
    // first recharge bill; the balance from its movements. An empty card finds nothing,
    // though the walk-in rows have no card either.
    void member_data()
    {
        QTest::addColumn<QString>("vipNo");
        QTest::addColumn<QString>("found"); // found, holder, identity number, balance
        // clang-format off
        QTest::newRow("from an order") << "V1" << "1,O'Neil 王,ID1,80.00";
        QTest::newRow("from a recharge bill") << "V2" << "1,李四,ID2,30.00";
        QTest::newRow("empty card") << "" << "0,,,0.00";
        QTest::newRow("quote in the card") << "V1' or '1'='1" << "0,,,0.00";
        // clang-format on
    }
    void member()
    {
        QFETCH(QString, vipNo);
        QFETCH(QString, found);
        TestDb t;
        const QString c = t.cnstr();
        const QDate d1(2026, 3, 1);
        TestDb::insert(c, "VipOrder (FInterID, Fdate, FVipNo, FOwner, FPhone, FVipID)",
                       {{1, d1, "V1", "O'Neil 王", "139", "ID1"}, {2, d1.addDays(1), "V1", "别人", "", "X"}});
        TestDb::insert(c, "VipCzBill (FVipNo, FOwner, FVipID, FTranType, FDate, FKAmount)",
                       {{"V1", "", "", 1, d1, 100}, {"V1", "", "", 2, d1, 20},
                        {"V2", "李四", "ID2", 1, d1, 30}, {"", "散客", "", 2, d1, 5}});
        const OrderMember m = OrderDraft::member(c, vipNo);
        QCOMPARE(QStringList({QString::number(m.found), m.owner, m.vipId, m.balance.format()})
                     .join(u','),
                 found);
    }

    // The template reads the fields by name and type, one record per line in grid order:
    // quantities, prices and amounts as the grid shows them; the totals, payment and balance
    // on every record; the number always 0.
    void records()
    {
        OrderDraft d;
        d.date = QDate(2026, 3, 10);
        d.vipNo = "V1";
        d.owner = "O'Neil";
        d.add(1, "鲜奶", "4.1667", "10", "2", "50.00", QDate(2026, 5, 1));
        d.add(2, "酸奶", "1.00", "5", "", "1,234.00"); // typed: stored as 1.00
        const RecordSet rs =
            OrderReceipt::build(d, "clerk", Money::fromInt(21), Money::fromInt(30),
                                Money::fromInt(50), QDateTime(d.date, QTime(8, 15)));
        QStringList records; // the field names first
        for (int r = -1; r < rs.recordCount(); ++r) {
            QStringList values;
            for (const RecordSet::Field &f : rs.fields())
                values << (r < 0 ? f.name : rs.text(r, f.name));
            records << values.join('|');
        }
        QCOMPARE(records,
                 (QStringList{"FDate|FVipNo|FOwner|FPhone|FName|FQty|FPreQty|FPrice|FAmount|"
                              "FSumQty|FSumAmount|Fyxq|FInterID|FBiller|FPrintTime|FGetCash|"
                              "FGetReserve|FReserveBal",
                              "2026-03-10|V1 O'Neil|O'Neil||鲜奶|10|2|4.1667|50.00|17|51.00|"
                              "2026-05-01|0|clerk|2026-03-10 08:15|21.00|30.00|50.00",
                              "2026-03-10|V1 O'Neil|O'Neil||酸奶|5||1.00|1,234.00|17|51.00|"
                              "|0|clerk|2026-03-10 08:15|21.00|30.00|50.00"}));
    }
};

QTEST_GUILESS_MAIN(tst_OrderDraft)
#include "tst_OrderDraft.moc"
