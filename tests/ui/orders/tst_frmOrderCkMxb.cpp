#include <QtTest>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStringDecoder>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/db/Database.h"
#include "core/frame/KwStore.h"
#include "ui/orders/frmOrderCkMxb.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

// Sale `id` at `time` handing out `qty` of order line (order, entry).
void addSale(const QString &cnstr, int id, const QDateTime &time, int order, int entry, double qty)
{
    db::execute(
        cnstr,
        "insert into ICStockBill (FInterID, FTrantype, Fdate, FSysTime) values (?, 99, ?, ?)",
        {id, time.date(), time});
    db::execute(cnstr,
                "insert into ICStockBillEntry (FInterID, FEntryID, FItemID, FQty,"
                " FOrderBillInterID, FOrderBillEntryID) values (?, 1, 1, ?, ?, ?)",
                {id, qty, order, entry});
}

} // namespace

class tst_frmOrderCkMxb : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // Line 1 of order 80 handed out twice, listed by time and printed in GB18030 to the
    // detail printer's own port, which is kept on closing.
    void detail()
    {
        TestDb db(TestDb::Content::Schema);
        db.login(1, "店长");
        // Entered out of date order; the same item on another line or order is not this line's.
        addSale(db.cnstr(), 502, QDateTime(QDate(2024, 5, 9), QTime(7, 45, 30)), 80, 1, 3);
        addSale(db.cnstr(), 501, QDateTime(QDate(2024, 5, 2), QTime(8, 10)), 80, 1, 2);
        addSale(db.cnstr(), 503, QDateTime(QDate(2024, 5, 3), QTime(9, 0)), 80, 2, 4);
        addSale(db.cnstr(), 504, QDateTime(QDate(2024, 5, 4), QTime(9, 0)), 81, 1, 7);
        const QString port = db.dir() + "/port.txt";
        // The detail printer's port is the station's own, apart from the receipt printer's.
        KwStore::set("KwStore", "Pos.Default", "PrintPort", "LPT3");
        KwStore::set("KwStore", "DefaultValue", "PrintPort", "Com2");
        ScriptedPrompts prompts;
        frmOrderCkMxb f;
        f.init(80, 1, 12, "V0009");
        f.show();
        QCOMPARE(f.cmbPort->currentText() + " " + f.lblSaleQty->text(), "Com2 完成数量：5");
        QCOMPARE(f.Flex->rows(), 3);

        f.cmbPort->setCurrentText(port);
        QTest::mouseClick(f.Command1, Qt::LeftButton);
        QVERIFY2(prompts.shown.isEmpty(), qPrintable(prompts.last()));
        QFile file(port);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QStringDecoder gb("GB18030");
        QCOMPARE(QString(gb.decode(bytes)),
                 "卡号：V0009    \r\n订单数量：12\r\n完成数量：5\r\n\r\n日期               数量\r\n"
                 "2024-05-02 08:10:00   2\r\n2024-05-09 07:45:30   3\r\n");
        // The port used is kept when the window closes.
        f.close();
        QCOMPARE(KwStore::get("KwStore", "DefaultValue", "PrintPort"), port);
        QCOMPARE(KwStore::get("KwStore", "Pos.Default", "PrintPort"), QStringLiteral("LPT3"));
    }
};

QTEST_MAIN(tst_frmOrderCkMxb)
#include "tst_frmOrderCkMxb.moc"
