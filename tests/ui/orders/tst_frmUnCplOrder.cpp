#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/db/Database.h"
#include "core/orders/OrderOutDetail.h"
#include "ui/orders/frmOrderCkMxb.h"
#include "ui/orders/frmUnCplOrder.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

QStringList column(const KeyedGrid &g, const QString &key)
{
    QStringList out;
    for (int r = 1; r < g.rows(); ++r)
        out << g.text(r, key);
    return out;
}

} // namespace

class tst_frmUnCplOrder : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }
    void cleanup() { DialogRunner::setScript({}); }

    // Filled on opening; a card narrows it by Enter; the detail opens for a line's own order
    // line and never for the total row.
    void openLinesAndDetail()
    {
        TestDb t;
        t.addUser(1, "店长", true);
        t.login(1, "店长");
        const QDate d(2026, 3, 10);
        db::execute(t.cnstr(), "insert into t_icitem (FItemID, FName) values (1, '鲜奶')");
        for (int id : {41, 42})
            db::execute(t.cnstr(),
                        "insert into VipOrder (FInterID, Fdate, FVipNo, FOwner) values (?,?,?,?)",
                        {id, d, QString("V%1").arg(id), "赵敏"});
        const QString sql = "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty,"
                            " FCplQty, FYxq) values (?,?,1,?,?,?,?)";
        db::execute(t.cnstr(), sql, {41, 1, 10, 2, 11, d.addDays(60)});
        db::execute(t.cnstr(), sql, {41, 2, 10, 2, 12, QVariant(QMetaType(QMetaType::QDate))});
        db::execute(t.cnstr(), sql,
                    {42, 1, 5, 0, QVariant(QMetaType(QMetaType::Int)),
                     QVariant(QMetaType(QMetaType::QDate))});

        ScriptedPrompts prompts;
        QList<QStringList> detail; // the labels of every detail opened
        DialogRunner::setScript([&](QDialog &dlg) {
            dlg.show(); // it loads when first shown
            if (auto *m = qobject_cast<frmOrderCkMxb *>(&dlg))
                detail << QStringList{m->lblOrderQty->text(), m->lblVip->text(),
                                      m->lblSaleQty->text()};
            dlg.hide();
            return 0;
        });
        frmUnCplOrder f;
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QCOMPARE(QApplication::focusWidget(), f.txtVipNo);
        const KeyedGrid &g = *f.Flex;
        QCOMPARE(column(g, "FUnCplQty"), QStringList({"1", "5", "6"}));
        QCOMPARE(column(g, "FCplQty"), QStringList({"11", "0", "11"}));
        QCOMPARE(column(g, "Fyxq"), QStringList({"2026-05-09", "", ""}));
        QCOMPARE(f.lblCount->text(), QString("共2张单据"));

        f.Flex->setCurrentGridRow(3);
        QTest::mouseClick(f.cmdMxb, Qt::LeftButton);
        QVERIFY(detail.isEmpty());

        f.txtVipNo->setFocus();
        QTest::keyClicks(f.txtVipNo, "V41");
        QTest::keyClick(f.txtVipNo, Qt::Key_Return);
        QCOMPARE(column(g, "FInterID"), QStringList({"41", ""}));
        QCOMPARE(f.lblCount->text(), QString("共1张单据"));
        f.Flex->setCurrentGridRow(1);
        QTest::mouseClick(f.cmdMxb, Qt::LeftButton);
        QCOMPARE(detail.size(), 1);
        QCOMPARE(detail.first(), QStringList({"订单数量：12", OrderOutDetail::vipLabel("V41"),
                                              OrderOutDetail::saleQtyLabel(0)}));
        QVERIFY(prompts.shown.isEmpty());
    }
};

QTEST_MAIN(tst_frmUnCplOrder)
#include "tst_frmUnCplOrder.moc"
