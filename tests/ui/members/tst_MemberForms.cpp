#include <QtTest>

#include <QComboBox>
#include <QLineEdit>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/db/Database.h"
#include "ui/members/frmEditVip.h"
#include "ui/members/frmVip.h"

namespace {

struct Member
{
    Member() { t.login(1, QStringLiteral("店长")); }
    template <class F>
    void open(F &f)
    {
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
    }
    void type(QWidget *w, const QString &text)
    {
        // The keyboard simulation types Latin-1 only; a Chinese text arrives as typed by an
        // input method, in one piece.
        if (text.toLatin1() == text.toUtf8())
            QTest::keyClicks(w, text);
        else
            qobject_cast<QLineEdit *>(w)->insert(text);
        QTest::keyClick(w, Qt::Key_Return);
    }
    int count(const char *table, const QString &card) const
    {
        return db::scalar(t.cnstr(), QStringLiteral("select count(*) from %1 where FVipNo=?").arg(QLatin1String(table)),
                          {card})
            .toInt();
    }
    TestDb t{TestDb::Content::Demo};
    ScriptedPrompts prompts;
};

const QString kZhangLi = QStringLiteral("110101198001010021");

} // namespace

class tst_MemberForms : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // 张丽's two cards listed, a used number refused, then V0001 replaced by a new number.
    void replaceCard()
    {
        Member m;
        frmVip f;
        m.open(f);
        QCOMPARE(QApplication::focusWidget(), f.txtID);
        m.type(f.txtID, "110101000000000000");
        QCOMPARE(m.prompts.texts(), QStringList{"身份证号码未登记！"});
        QCOMPARE(QApplication::focusWidget(), f.txtID);
        f.txtID->clear();
        m.prompts.clear();
        m.type(f.txtID, kZhangLi);
        QCOMPARE(QApplication::focusWidget(), f.txtNewVipNo);
        QCOMPARE(f.txtOwner->text(), QStringLiteral("张丽"));
        QStringList cards;
        for (int i = 0; i < f.cmbVipNo->count(); ++i)
            cards << f.cmbVipNo->itemText(i);
        QCOMPARE(cards, (QStringList{"V0001", "V0005"}));
        QCOMPARE(f.cmbVipNo->currentText(), QStringLiteral("V0001"));

        const int orders = m.count("VipOrder", "V0001"), movements = m.count("VipCzBill", "V0001"),
                  sales = m.count("ICStockBill", "V0001");
        QVERIFY(orders > 0 && movements > 0 && sales > 0);
        m.type(f.txtNewVipNo, "V0003");
        QCOMPARE(m.prompts.texts(), QStringList{"新的会员卡号已经被使用！"});
        QCOMPARE(QApplication::focusWidget(), f.txtNewVipNo);
        f.txtNewVipNo->clear();
        m.prompts.clear();
        m.prompts.answers = {true};
        m.type(f.txtNewVipNo, "V'0101");
        QCOMPARE(m.prompts.texts(), (QStringList{"确认补卡？", "换卡成功！"}));
        QCOMPARE(m.prompts.questionDefaults, QList<bool>{true});
        QVERIFY(f.OK() && f.isHidden());
        QCOMPARE((QList<int>{m.count("VipOrder", "V0001"), m.count("VipCzBill", "V0001"), m.count("ICStockBill", "V0001")}),
                 (QList<int>{0, 0, 0}));
        QCOMPARE((QList<int>{m.count("VipOrder", "V'0101"), m.count("VipCzBill", "V'0101"),
                             m.count("ICStockBill", "V'0101")}),
                 (QList<int>{orders, movements, sales}));
        QCOMPARE(m.count("VipOrder", "V0005"), 1);
    }

    // Name and phone changed on every order of the card; the identity number may not go.
    void editDetails()
    {
        Member m;
        frmEditVip f;
        m.open(f);
        QCOMPARE(QApplication::focusWidget(), f.txtVipNo);
        m.type(f.txtVipNo, "V0004");
        QCOMPARE((QStringList{f.txtOwner->text(), f.txtPhone->text(), f.txtCardID->text()}),
                 (QStringList{"O'Neil", "13800000004", "110101199002020057"}));
        QCOMPARE(QApplication::focusWidget(), f.txtOwner);
        f.txtOwner->selectAll();
        m.type(f.txtOwner, "O'Brien");
        f.txtPhone->selectAll();
        m.type(f.txtPhone, "13900000004");
        QCOMPARE(QApplication::focusWidget(), f.txtCardID);
        f.txtCardID->clear();
        QTest::keyClick(f.txtCardID, Qt::Key_Return);
        QCOMPARE(m.prompts.texts(), QStringList{"请输入身份证号！"});
        QCOMPARE(QApplication::focusWidget(), f.txtCardID);
        m.prompts.clear();
        m.prompts.answers = {true};
        m.type(f.txtCardID, "110101199002020057");
        QCOMPARE(m.prompts.texts(), (QStringList{"是否修改会员信息？", "修改完成！"}));
        QVERIFY(f.OK() && f.isHidden());
        const int orders = m.count("VipOrder", "V0004");
        QCOMPARE(db::scalar(m.t.cnstr(), "select count(*) from VipOrder where FVipNo='V0004' and FOwner=? and FPhone=?"
                                         " and FVipID=?", {"O'Brien", "13900000004", "110101199002020057"}).toInt(),
                 orders);
        // The stored-value rows keep the name they were written with.
        QCOMPARE(db::scalar(m.t.cnstr(), "select count(*) from VipCzBill where FVipNo='V0004' and FOwner<>?",
                            {"O'Neil"}).toInt(), 0);

        // A card without orders: nothing written, and the cashier is told so.
        frmEditVip g;
        m.open(g);
        m.prompts.clear();
        m.prompts.answers = {true};
        for (const auto &[field, text] : {std::pair{g.txtVipNo, "V9999"}, std::pair{g.txtOwner, "王五"},
                                          std::pair{g.txtPhone, ""}, std::pair{g.txtCardID, "ID9"}})
            m.type(field, QString::fromUtf8(text));
        QCOMPARE(m.prompts.texts(), (QStringList{"是否修改会员信息？", "该卡号没有订单，会员信息未修改！"}));
        QVERIFY(!g.OK() && g.isVisible());
        QCOMPARE(QApplication::focusWidget(), g.txtVipNo);
    }
};

QTEST_MAIN(tst_MemberForms)
#include "tst_MemberForms.moc"
