#include <functional>

#include <QtTest>

#include <QApplication>
#include <QInputMethodEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QSpinBox>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/backoffice/PriceStyleStore.h"
#include "core/frame/Authenticator.h"
#include "core/frame/Session.h"
#include "core/frame/UserGrants.h"
#include "ui/backoffice/frmItemEdit.h"
#include "ui/backoffice/frmItemList.h"
#include "ui/backoffice/frmPackCode.h"
#include "ui/backoffice/frmPriceStyle.h"
#include "ui/backoffice/frmStock.h"
#include "ui/backoffice/frmUserEdit.h"
#include "ui/backoffice/frmUserList.h"
#include "ui/backoffice/frmVipList.h"
#include "ui/members/frmEditVip.h"
#include "ui/members/frmVipCz.h"
#include "ui/pos/frmSaleBill.h"
#include "ui/pos/frmVipSettle.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

// Dialogs opened while it lives go to the handler of their objectName, shown and active;
// each handler drives it by the keyboard and the dialog's own result is returned.
class Dialogs
{
public:
    using Handler = std::function<void(QDialog &)>;
    explicit Dialogs(QMap<QString, Handler> handlers) : m_handlers(std::move(handlers))
    {
        DialogRunner::setScript([this](QDialog &d) {
            seen << d.objectName();
            d.show();
            QApplication::setActiveWindow(&d);
            if (!QTest::qWaitForWindowActive(&d))
                return int(QDialog::Rejected);
            // Opened from inside a key press: the field the dialog chose gets the focus as
            // exec() would give it.
            if (QWidget *first = d.focusWidget())
                first->setFocus();
            if (const Handler h = m_handlers.value(d.objectName()))
                h(d);
            if (d.isVisible())
                d.reject();
            return d.result();
        });
    }
    ~Dialogs() { DialogRunner::setScript({}); }
    QStringList seen;

private:
    QMap<QString, Handler> m_handlers;
};

// Types into the field that has the focus, then presses Enter there unless told not to.
void type(const QString &text, bool enter = true)
{
    QWidget *f = QApplication::focusWidget();
    QVERIFY(f);
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii) {
        QTest::keyClicks(f, text);
    } else {
        // Chinese arrives through the input method.
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(f, &commit);
    }
    if (enter)
        QTest::keyClick(f, Qt::Key_Return);
}
void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), k, m);
}
QString focused()
{
    return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
}

QString column(const KeyedGrid &g, const QString &key)
{
    QStringList out;
    for (int r = 1; r < g.rows(); ++r)
        out << g.text(r, key);
    return out.join(u',');
}

void open(QWidget &w)
{
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

} // namespace

// One keyboard scenario per back-office window: F2 for new, Enter from field to field, Ctrl+S
// to save, a refusal keeping what was typed. The rules themselves are the core tests' case.
class tst_BaseData : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // A new item with a pack code; a price of 1.005 is refused at its box and corrected;
    // typing in the search box filters by the pack code.
    void items()
    {
        TestDb t;
        t.addUser(1, "店长", true);
        t.login(1, "店长");
        Session::current().RetailPriceStyleID = PriceStyleStore::add(t.cnstr(), PriceStyleStore::retailName());
        const QString priceBox = QStringLiteral("txtPrice_%1").arg(Session::current().RetailPriceStyleID);
        ScriptedPrompts prompts;
        Dialogs dialogs({{"frmItemEdit",
                          [&](QDialog &d) {
                              auto &f = static_cast<frmItemEdit &>(d);
                              QCOMPARE(focused(), "txtNumber");
                              for (const char *text : {"01.001", "101", "6901234500011", "鲜牛奶", "250ml", "袋"})
                                  type(text);
                              QCOMPARE(focused(), priceBox);
                              type("1.005", false);
                              key(Qt::Key_S, Qt::ControlModifier);
                              QCOMPARE(prompts.texts(), QStringList{"价格必须是不小于0、最多两位小数的数！"});
                              QCOMPARE(focused(), priceBox);
                              key(Qt::Key_A, Qt::ControlModifier);
                              type("3.5", false);
                              f.cmdAddCode->click();
                              QApplication::setActiveWindow(&d); // back from the pack code
                              key(Qt::Key_S, Qt::ControlModifier);
                          }},
                         {"frmPackCode", [&](QDialog &) {
                              QCOMPARE(focused(), "txtBarcode");
                              type("6901234510010");
                              type(""); // the one price style
                              type("6");
                              type("19.8", false);
                              key(Qt::Key_S, Qt::ControlModifier);
                          }}});
        frmItemList f;
        open(f);
        QCOMPARE(focused(), "txtSearch");
        f.cmdNew->click();
        QCOMPARE(dialogs.seen, (QStringList{"frmItemEdit", "frmPackCode"}));
        QCOMPARE(prompts.texts(), QStringList{"价格必须是不小于0、最多两位小数的数！"});
        QCOMPARE(column(*f.grid(), "FName"), "鲜牛奶");
        QCOMPARE(TestDb::dump(t.cnstr(), "select FBarCode, FExchange, FPrice from t_icitem_barcode"),
                 "6901234510010,6,19.8");
        QApplication::setActiveWindow(&f);
        QTest::keyClick(&f, Qt::Key_F, Qt::AltModifier);
        QCOMPARE(focused(), "txtSearch");
        type("69012345100", false);
        QCOMPARE(column(*f.grid(), "FPrice"), "3.50");
        type("x", false);
        QCOMPARE(column(*f.grid(), "FName"), "");
    }

    // A second warehouse of the same name is refused at the name, the dialog kept; the last
    // enabled one cannot be disabled.
    void warehouses()
    {
        TestDb t;
        t.addUser(1, "店长", true);
        t.login(1, "店长");
        ScriptedPrompts prompts;
        int round = 0;
        Dialogs dialogs({{"frmStockEdit", [&](QDialog &d) {
                              type("0" + QString::number(++round));
                              type("店面", false);
                              key(Qt::Key_S, Qt::ControlModifier);
                              if (round == 2) {
                                  QCOMPARE(prompts.texts(), QStringList{"仓库“店面”已存在！"});
                                  QCOMPARE(focused(), "txtName");
                                  QVERIFY(d.isVisible());
                                  key(Qt::Key_Escape);
                              }
                          }}});
        frmStock f;
        open(f);
        key(Qt::Key_F2);
        key(Qt::Key_F2);
        QCOMPARE(column(*f.grid(), "FName"), "店面");
        prompts.clear();
        f.cmdDisable->click();
        QCOMPARE(prompts.texts(), (QStringList{"仓库“店面”是本站点出库单的默认仓库，停用后出库单需另选仓库。确定停用吗？",
                                               "至少要保留一个启用的仓库！"}));
    }

    // The demo's member found by name; Enter on her card opens her details, the recharge
    // button her recharge, each with the card filled in.
    void memberRegister()
    {
        TestDb t(TestDb::Content::Demo);
        t.login(1, "店长");
        ScriptedPrompts prompts;
        QStringList cards;
        Dialogs dialogs({{"frmEditVip", [&](QDialog &d) { cards << static_cast<frmEditVip &>(d).txtOwner->text(); }},
                         {"frmVipCz", [&](QDialog &d) { cards << static_cast<frmVipCz &>(d).txtVipNo->text(); }}});
        frmVipList f;
        open(f);
        type("张丽");
        QCOMPARE(column(*f.grid(), "FVipNo"), "V0001,V0005");
        QCOMPARE(focused(), "FlexVips");
        key(Qt::Key_Return);
        f.cmdRecharge->click();
        QCOMPARE(cards, (QStringList{"张丽", "V0001"}));
        QCOMPARE(prompts.texts(), QStringList());
    }

    // A new shop as its manager sets it up: the retail price style, a warehouse, three
    // items (one with a pack of six) and a cashier, all through the windows; the cashier then
    // logs in and sells the three at the counter, one of them by its pack code.
    void newShop()
    {
        TestDb t; // the schema and its first manager, nothing else
        t.addUser(1, "店长", true);
        t.login(1, "店长");
        qputenv("KWPOS_SPOOL_DIR", (t.dir() + "/spool").toUtf8());
        const QString c = t.cnstr();
        ScriptedPrompts prompts;
        struct NewItem
        {
            const char *number, *shop, *bar, *name, *unit, *price;
        };
        const NewItem items[] = {{"01", "1", "6900000000011", "鲜牛奶", "袋", "3.5"},
                                 {"02", "2", "6900000000028", "酸奶", "杯", "3"},
                                 {"03", "3", "6900000000035", "面包", "个", "4.2"}};
        int next = 0;
        auto save = [] { key(Qt::Key_S, Qt::ControlModifier); };
        Dialogs dialogs({{"frmPriceStyleEdit", [](QDialog &) { type("零售价"); key(Qt::Key_Return); }},
                         {"frmStockEdit", [&](QDialog &) { type("01"); type("店面", false); save(); }},
                         {"frmItemEdit",
                          [&](QDialog &d) {
                              const NewItem &i = items[next++];
                              for (const char *text : {i.number, i.shop, i.bar, i.name, "", i.unit})
                                  type(text);
                              type(i.price, false);
                              if (next == 1) {
                                  static_cast<frmItemEdit &>(d).cmdAddCode->click();
                                  QApplication::setActiveWindow(&d);
                              }
                              save();
                          }},
                         {"frmPackCode", [&](QDialog &) { type("6900000000066"); type(""); type("6"); type("19.8", false); save(); }},
                         {"frmUserEdit", [&](QDialog &) { type("小王"); type("1234"); type("1234", false); save(); }}});
        auto run = [](BaseDataList &f, int times) {
            open(f);
            for (int i = 0; i < times; ++i) {
                QApplication::setActiveWindow(&f);
                QTest::keyClick(&f, Qt::Key_F2);
            }
        };
        {
            frmPriceStyle f;
            run(f, 1);
        }
        {
            frmStock f;
            run(f, 1);
        }
        // As the main window's load reads it at the next log-in.
        const int retail = TestDb::dump(c, "select FItemID from t_pricestyle where FName='零售价'").toInt();
        Session::current().RetailPriceStyleID = retail;
        {
            frmItemList f;
            run(f, 3);
            QCOMPARE(column(*f.grid(), "FName"), "鲜牛奶,酸奶,面包");
        }
        {
            frmUserList f;
            run(f, 1);
        }
        QCOMPARE(prompts.texts(), QStringList());
        UserGrants::grant(c, "小王", {{"NewSale", true}}); // rights stay in 权限设置

        const auto cashier = Authenticator::verify(c, "小王", "1234");
        QVERIFY(cashier);
        t.login(cashier->userId, cashier->userName);
        Session::current().RetailPriceStyleID = retail;
        DialogRunner::setScript([](QDialog &dialog) {
            auto &d = dynamic_cast<frmVipSettle &>(dialog);
            d.show();
            if (!QTest::qWaitForWindowActive(&d))
                return 0;
            d.txtAmount->setFocus();
            d.txtAmount->selectAll();
            QTest::keyClicks(d.txtAmount, "50");
            QTest::keyClick(d.txtAmount, Qt::Key_Plus);
            return d.result();
        });
        frmSaleBill sale;
        open(sale);
        for (const char *code : {"6900000000011", "6900000000066", "2", "3"}) {
            sale.txtBarcode->setFocus();
            sale.txtBarcode->setText(code);
            QTest::keyClick(sale.txtBarcode, Qt::Key_Return);
            QTest::keyClick(sale.txtQty, Qt::Key_Return);
        }
        QTest::keyClick(sale.txtBarcode, Qt::Key_Plus);
        DialogRunner::setScript({});
        // 3.50 + a pack of six at 19.80 + 3.00 + 4.20, by the cashier, from the shop's floor.
        QCOMPARE(TestDb::dump(c, "select FSumAmount, FBillerID, FGetCash from ICStockBill"),
                 QStringLiteral("30.5,%1,30.5").arg(cashier->userId));
        QCOMPARE(TestDb::dump(c, "select FItemID, FQty, FAmount, FOutStockID from ICStockBillEntry order by FEntryID"),
                 "1,1,3.5,1;1,6,19.8,1;2,1,3,1;3,1,4.2,1");
    }
};

QTEST_MAIN(tst_BaseData)
#include "tst_BaseData.moc"
