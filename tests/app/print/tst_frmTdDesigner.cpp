#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "app/DialogRunner.h"
#include "app/KeyedGrid.h"
#include "app/print/TemplateStore.h"
#include "app/print/frmTdDesigner.h"

namespace {
int rowWith(const KeyedGrid &g, const QString &text)
{
    for (int r = 1; r < g.rows(); ++r)
        if (g.text(r, "FCells").contains(text))
            return r;
    return 0;
}
} // namespace

class tst_frmTdDesigner : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }
    void cleanup() { DialogRunner::setScript({}); }

    void opensOnTheTypesTemplates()
    {
        TestDb t(TestDb::Content::Demo);
        ScriptedPrompts prompts;
        QStringList seen;
        DialogRunner::setScript([&](QDialog &d) {
            auto &f = dynamic_cast<frmTdDesigner &>(d);
            seen << f.windowTitle() << QString::number(f.lstTemplates->count()) << f.txtName->text()
                 << f.cmbPaper->currentData().toString();
            seen << QString::number(rowWith(*f.FlexLines, "{FName}") > 0);
            seen << QString::number(!f.lblPreview->pixmap().isNull());
            return 0;
        });
        RunDesiger(t.cnstr(), 1002);
        QCOMPARE(seen, QStringList({"套打设计器 - 销售小票", "1", "标准格式", "80", "1", "1"}));
    }

    void editSavesToTheDatabase()
    {
        TestDb t(TestDb::Content::Demo);
        ScriptedPrompts prompts;
        frmTdDesigner f(t.cnstr(), 1002);
        const QImage before = f.lblPreview->pixmap().toImage();
        const int title = rowWith(*f.FlexLines, "销售小票");
        QVERIFY(title > 0);
        f.FlexLines->setText(title, "FCells", "阳光奶站 {FDate:yyyy/MM/dd}");
        QVERIFY(f.isModified());
        QVERIFY(f.lblPreview->pixmap().toImage() != before); // live preview
        f.cmbPaper->setCurrentIndex(f.cmbPaper->findData("58"));
        QTest::mouseClick(f.cmdSave, Qt::LeftButton);
        QCOMPARE(prompts.last(), QString("格式“标准格式”已保存！"));
        QVERIFY(!f.isModified());
        const PrintTemplate stored = TemplateStore::resolve(t.cnstr(), 1002, "标准格式");
        QCOMPARE(stored.paper, QString("58"));
        QCOMPARE(stored.lines.value(title - 1).cells.value(0).text, QString("阳光奶站 {FDate:yyyy/MM/dd}"));
        QCOMPARE(TemplateStore::names(t.cnstr(), 1002), QStringList{"标准格式"});
    }

    void lineEditing()
    {
        TestDb t(TestDb::Content::Demo);
        ScriptedPrompts prompts;
        frmTdDesigner f(t.cnstr(), 1001);
        const int lines = f.FlexLines->rows();
        f.FlexLines->setCurrentGridRow(1);
        QTest::mouseClick(f.cmdAddLine, Qt::LeftButton);
        QCOMPARE(f.FlexLines->rows(), lines + 1);
        QCOMPARE(f.FlexLines->currentGridRow(), 2);
        f.lstFields->setCurrentRow(f.lstFields->row(f.lstFields->findItems("FPhone", Qt::MatchExactly).value(0)));
        f.lstFields_DoubleClick();
        QCOMPARE(f.FlexLines->text(2, "FCells"), QString("{FPhone}"));
        QTest::mouseClick(f.cmdUp, Qt::LeftButton);
        QCOMPARE(f.FlexLines->text(1, "FCells"), QString("{FPhone}"));
        QCOMPARE(f.currentTemplate().lines.first().cells.first().text, QString("{FPhone}"));
        QTest::mouseClick(f.cmdDelLine, Qt::LeftButton);
        QCOMPARE(f.FlexLines->rows(), lines);
        QVERIFY(f.isModified());
    }

    void newTemplateAndDelete()
    {
        TestDb t(TestDb::Content::Demo);
        ScriptedPrompts prompts;
        frmTdDesigner f(t.cnstr(), 250);
        QCOMPARE(f.lstTemplates->count(), 2);
        QTest::mouseClick(f.cmdNew, Qt::LeftButton);
        QCOMPARE(f.txtName->text(), QString("新格式"));
        QCOMPARE(QApplication::focusWidget() == f.txtName || !f.isVisible(), true);
        f.txtName->setText("大额充值单");
        QTest::mouseClick(f.cmdSave, Qt::LeftButton);
        QCOMPARE(TemplateStore::names(t.cnstr(), 250), QStringList({"充值单", "充值小票", "大额充值单"}));
        QCOMPARE(f.lstTemplates->currentItem()->text(), QString("大额充值单"));

        prompts.answers = {false};
        QTest::mouseClick(f.cmdDelete, Qt::LeftButton);
        QCOMPARE(prompts.last(), QString("是否删除格式“大额充值单”？"));
        QCOMPARE(prompts.questionDefaults.last(), true);
        QCOMPARE(TemplateStore::names(t.cnstr(), 250).size(), 3);
        prompts.answers = {true};
        QTest::mouseClick(f.cmdDelete, Qt::LeftButton);
        QCOMPARE(TemplateStore::names(t.cnstr(), 250), QStringList({"充值单", "充值小票"}));
        QCOMPARE(f.lstTemplates->count(), 2);
    }

    void savingUnderAnExistingNameAsks()
    {
        TestDb t(TestDb::Content::Demo);
        ScriptedPrompts prompts;
        frmTdDesigner f(t.cnstr(), 250);
        const QString slip = TemplateStore::text(t.cnstr(), 250, "充值小票").value();
        f.txtName->setText("充值小票"); // the A5 bill's layout under the slip's name
        prompts.answers = {false};
        QTest::mouseClick(f.cmdSave, Qt::LeftButton);
        QCOMPARE(prompts.last(), QString("格式“充值小票”已存在，是否覆盖？"));
        QCOMPARE(TemplateStore::text(t.cnstr(), 250, "充值小票").value(), slip);
        f.txtName->clear();
        QTest::mouseClick(f.cmdSave, Qt::LeftButton);
        QCOMPARE(prompts.shown.last().icon, Prompts::Icon::Exclamation);
        QCOMPARE(prompts.last(), QString("请输入格式名称！"));
    }

    void unsavedChangesAreOfferedOnClose_data()
    {
        QTest::addColumn<bool>("save");
        QTest::newRow("save") << true;
        QTest::newRow("discard") << false;
    }
    void unsavedChangesAreOfferedOnClose()
    {
        QFETCH(bool, save);
        TestDb t(TestDb::Content::Demo);
        ScriptedPrompts prompts;
        frmTdDesigner f(t.cnstr(), 1002);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.FlexLines->setText(1, "FCells", "改过的标题");
        prompts.answers = {save};
        QTest::mouseClick(f.cmdClose, Qt::LeftButton);
        QCOMPARE(prompts.shown.first().text, QString("格式已修改，是否保存？"));
        QVERIFY(!f.isVisible());
        const PrintTemplate stored = TemplateStore::resolve(t.cnstr(), 1002, "标准格式");
        QCOMPARE(stored.lines.first().cells.first().text == "改过的标题", save);
    }
};

QTEST_MAIN(tst_frmTdDesigner)
#include "tst_frmTdDesigner.moc"
