#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/backoffice/ItemStore.h"
#include "core/backoffice/PriceStyleStore.h"
#include "ui/frame/frmImport.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

void writeCsv(const QString &path, const QByteArray &text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

} // namespace

class tst_frmImport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // By the keyboard: the kind, the file and Enter show the rows and the refused one, and
    // import is not offered; the mended file goes in on Enter and a Yes.
    void previewThenImport()
    {
        TestDb t;
        t.login(1, "店长");
        const int retail = PriceStyleStore::add(t.cnstr(), PriceStyleStore::retailName());
        ItemRecord milk;
        milk.shopNumber = "001";
        milk.name = "鲜牛奶 250ml";
        milk.barCode = "06901234567890";
        milk.prices.insert(retail, Money::parse("2.50"));
        ItemStore::save(t.cnstr(), milk);
        const QString file = t.dir() + "/items.csv";
        writeCsv(file, "店内码,商品名称,条码,零售价\n002,酸奶,06901234567891,3.50\n003,旧码,06901234567890,1\n"
                       "004,豆奶,,1.005\n");
        ScriptedPrompts prompts;
        frmImport w;
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(QApplication::focusWidget(), w.cmbKind);
        QCOMPARE(w.cmbKind->currentText(), "商品");
        QTest::keyClick(w.cmbKind, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w.txtFile);
        QTest::keyClicks(w.txtFile, file);
        QTest::keyClick(w.txtFile, Qt::Key_Return);
        QCOMPARE(w.FlexPreview->rows() - 1, 3);
        QCOMPARE(w.FlexPreview->text(1, "c1"), "06901234567891");
        QCOMPARE(w.FlexRefused->rows() - 1, 2);
        QCOMPARE(w.FlexRefused->text(1, "row") + ' ' + w.FlexRefused->text(1, "column") + ' ' +
                     w.FlexRefused->text(1, "reason"),
                 "3 条码 已被商品“鲜牛奶 250ml”使用");
        QCOMPARE(w.FlexRefused->text(2, "reason"), "金额最多两位小数");
        QVERIFY(!w.cmdOk->isEnabled());
        QCOMPARE(QApplication::focusWidget(), w.FlexRefused);
        if (qEnvironmentVariableIsSet("KWPOS_SHOTS"))
            w.grab().save(qEnvironmentVariable("KWPOS_SHOTS") + "/frmImport-refused.png");
        QCOMPARE(TestDb::dump(t.cnstr(), "select count(*) from t_icitem"), "1");

        writeCsv(file, "店内码,商品名称,条码,零售价\n002,酸奶,06901234567891,3.50\n");
        w.txtFile->setFocus();
        QTest::keyClick(w.txtFile, Qt::Key_Return);
        QCOMPARE(w.FlexRefused->rows() - 1, 0);
        QCOMPARE(QApplication::focusWidget(), w.cmdOk);
        QTest::keyClick(w.cmdOk, Qt::Key_Return);
        QCOMPARE(prompts.last(), "已导入：新增 1，更新 0，未变 0。");
        QCOMPARE(TestDb::dump(t.cnstr(), "select FShopNumber, FBar_Code, FPrice_1 from t_icitem order by FShopNumber"),
                 "001,06901234567890,2.5;002,06901234567891,3.5");
    }
};

QTEST_MAIN(tst_frmImport)
#include "tst_frmImport.moc"
