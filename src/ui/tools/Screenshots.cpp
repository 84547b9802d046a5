#include "ui/tools/Screenshots.h"

#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPixmap>
#include <QTextStream>
#include <QWidget>

#include "ui/frame/FrmMain.h"
#include "core/frame/ReferenceData.h"
#include "core/frame/UserGrants.h"
#include "core/frame/Routines.h"
#include "core/base/CoreError.h"
#include "ui/frame/frmAccountSets.h"
#include "core/backoffice/ItemStore.h"
#include "core/demo/DemoData.h"
#include "core/backoffice/OperatorStore.h"
#include "ui/backoffice/frmItemEdit.h"
#include "ui/backoffice/frmItemList.h"
#include "ui/backoffice/frmPackCode.h"
#include "ui/backoffice/frmPriceStyle.h"
#include "ui/backoffice/frmStock.h"
#include "ui/backoffice/frmUserEdit.h"
#include "ui/backoffice/frmUserList.h"
#include "ui/backoffice/frmVipList.h"
#include "ui/frame/frmGrant.h"
#include "ui/frame/frmServerAccount.h"
#include "ui/orders/frmOrderAdjBill.h"
#include "ui/orders/frmOrderAdjSelItem.h"
#include "ui/orders/frmOrderBillList.h"
#include "ui/orders/frmUnCplOrder.h"
#include "ui/orders/frmOrderCkMxb.h"
#include "ui/pos/frmInputQty.h"
#include "ui/orders/frmOrderbill.h"
#include "ui/pos/frmSaleBill.h"
#include "ui/pos/frmSaleBillList.h"
#include "core/pos/SaleReceipt.h"
#include "ui/pos/frmVipSettle.h"
#include "ui/widgets/KeyedGrid.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/frame/frmModifyPwd.h"
#include "core/members/RechargeBill.h"
#include "ui/members/frmEditVip.h"
#include "ui/members/frmVip.h"
#include "ui/members/frmVipCz.h"
#include "ui/print/KwTdPrinter.h"
#include "core/print/PrintTypes.h"
#include "core/print/TemplateLibrary.h"
#include "core/print/TemplateStore.h"
#include "ui/print/frmTdDesigner.h"
#include "ui/reports/frmOrderHzb.h"
#include "ui/reports/frmVipReport.h"
#include "ui/reports/frmYyrbb.h"
#include "ui/widgets/WindowFit.h"

namespace {

// An open drop-down of the command bar, so its captions can be read too.
QWidget *openMenu(FrmMain &main, const QString &name)
{
    auto *menu = main.menuBar()->findChild<QMenu *>(name);
    menu->popup(main.mapToGlobal(QPoint(0, main.menuBar()->height())));
    return menu;
}

// A stored-value report over the demo data's two months, the statement for card V0001.
QWidget *vipReport(FrmMain &main, int number)
{
    auto *form = new frmVipReport(GetCnstr(), GetUserID(), number, &main);
    form->dtpFrom->setDate(GetServerDate().date().addDays(-60));
    if (number == 109)
        form->txtVipNo->setText(QStringLiteral("V0001"));
    form->cmdQuery_Click();
    return form;
}

// The sale screen with three items rung up, V0001's open orders and two units handed out
// from the first of them.
frmSaleBill *saleScreen(QWidget *parent)
{
    auto *form = new frmSaleBill(parent);
    for (const auto &[code, qty] : {std::pair{"101", "2"}, std::pair{"6901234510010", "1"},
                                    std::pair{"201", "3"}}) {
        form->txtBarcode->setText(QString::fromLatin1(code));
        form->txtBarcode_LostFocus();
        form->txtQty->setText(QString::fromLatin1(qty));
        form->cmdAdd_Click();
    }
    form->txtVipNo->setText(QStringLiteral("V0001"));
    form->txtVipNo_LostFocus();
    DialogRunner::setScript([](QDialog &dialog) {
        auto &d = dynamic_cast<frmInputQty &>(dialog);
        d.txtQty2->setText(QStringLiteral("2"));
        d.cmdOk_Click();
        return int(QDialog::Accepted);
    });
    form->FlexOrder->setCurrentGridRow(1);
    form->FlexOrder_DblClick();
    DialogRunner::setScript({});
    return form;
}

} // namespace

QList<Screenshots::Entry> Screenshots::entries()
{
    return {
        {QStringLiteral("FrmMain"), [](FrmMain &main) -> QWidget * { return &main; }, false},
        {QStringLiteral("FrmMain_myFunction"),
         [](FrmMain &main) { return openMenu(main, QStringLiteral("myFunction")); }, false},
        {QStringLiteral("FrmMain_myReport"),
         [](FrmMain &main) { return openMenu(main, QStringLiteral("myReport")); }, false},
        {QStringLiteral("FrmMain_myBaseData"),
         [](FrmMain &main) { return openMenu(main, QStringLiteral("myBaseData")); }, false},
        {QStringLiteral("frmGrant"),
         [](FrmMain &main) -> QWidget * {
             auto *form = new frmGrant(&main);
             form->setWindowFlag(Qt::Window);
             // An operator with rows, so the boxes show ticks.
             const QStringList ops = ReferenceData::operatorNames(GetCnstr());
             int pick = ops.size() - 1;
             for (int i = 0; i < ops.size(); ++i)
                 if (!UserGrants::load(GetCnstr(), ops[i]).key(true).isEmpty()) {
                     pick = i;
                     break;
                 }
             form->cmbUser->setCurrentIndex(pick);
             return form;
         }},
        {QStringLiteral("frmAccountSets"),
         [](FrmMain &main) -> QWidget * {
             auto *form = new frmAccountSets(&main);
             form->setWindowFlag(Qt::Window);
             return form;
         }},
        {QStringLiteral("frmServerAccount"),
         [](FrmMain &main) -> QWidget * {
             auto *form = new frmServerAccount(&main);
             form->setWindowFlag(Qt::Window);
             return form;
         }},
        {QStringLiteral("frmSaleBill"), [](FrmMain &main) -> QWidget * { return saleScreen(&main); }},
        {QStringLiteral("frmSaleBill_receipt"),
         [](FrmMain &main) -> QWidget * {
             // The test print's preview of that screen: what the customer would be handed.
             const std::unique_ptr<frmSaleBill> form(saleScreen(&main));
             return KwTdPrinter::createPreview(
                 TemplateStore::resolve(GetCnstr(), SaleReceipt::TranType, SaleReceipt::templateName()),
                 form->receiptData({Money(), Money(), form->vipBalance()}),
                 TemplateLibrary::typeName(SaleReceipt::TranType) + QStringLiteral(" - ") +
                     SaleReceipt::templateName(),
                 &main);
         }},
        {QStringLiteral("frmOrderbill"),
         [](FrmMain &main) -> QWidget * {
             // A member's new order of two lines, the second still in the entry boxes.
             auto *form = new frmOrderbill(&main);
             form->txtVipNo->setText(QStringLiteral("V0002"));
             form->txtVipNo_LostFocus();
             form->txtBarcode->setText(QStringLiteral("102"));
             form->txtBarcode_LostFocus();
             form->txtQty->setText(QStringLiteral("30"));
             form->txtPreQty->setText(QStringLiteral("10"));
             form->chkYxq->setChecked(true);
             form->chkYxq_Click();
             form->cmdAdd_Click();
             form->chkYxq->setChecked(false);
             form->chkYxq_Click();
             form->txtBarcode->setText(QStringLiteral("201"));
             form->txtBarcode_LostFocus();
             form->txtQty->setText(QStringLiteral("20"));
             return form;
         }},
        {QStringLiteral("frmOrderbill_locked"),
         [](FrmMain &main) -> QWidget * {
             // The first order that sales have handed goods out from.
             auto *form = new frmOrderbill(&main);
             form->init(DemoData::firstHandedOutOrder(GetCnstr()));
             return form;
         }},
        {QStringLiteral("frmOrderAdjBill"),
         [](FrmMain &main) -> QWidget * {
             auto *form = new frmOrderAdjBill(&main);
             form->txtVipNo->setText(QStringLiteral("V0001"));
             return form;
         }},
        {QStringLiteral("frmOrderAdjSelItem"),
         [](FrmMain &main) -> QWidget * {
             auto *form = new frmOrderAdjSelItem(&main);
             form->init(1, 1, QStringLiteral("鲜牛奶 250ml"), 3.5);
             form->txtBarcode->setText(QStringLiteral("104"));
             form->txtBarcode_LostFocus();
             return form;
         }},
        {QStringLiteral("frmOrderCkMxb"),
         [](FrmMain &main) -> QWidget * {
             // The first order line that sales have handed goods out against.
             const DemoData::HandedOutLine line = DemoData::firstHandedOutLine(GetCnstr());
             auto *form = new frmOrderCkMxb(&main);
             if (line.orderId != 0)
                 form->init(line.orderId, line.entryId, line.units, line.vipNo);
             return form;
         }},
        {QStringLiteral("frmInputQty"),
         [](FrmMain &main) -> QWidget * {
             auto *form = new frmInputQty(&main);
             form->init(54);
             return form;
         }},
        {QStringLiteral("frmVipSettle"),
         [](FrmMain &main) -> QWidget * {
             // A member paying 20.00 of 25.50 from stored value and handing over 10 in cash.
             auto *form = new frmVipSettle(&main);
             form->init(Money::fromCents(2550), QStringLiteral("V0001"), Money::fromInt(20));
             form->txtAmount->setText(QStringLiteral("10"));
             return form;
         }},
        {QStringLiteral("frmTdDesigner"),
         [](FrmMain &main) -> QWidget * { return new frmTdDesigner(GetCnstr(), PrintTypes::Sale, &main); }},
        {QStringLiteral("KwTdPrinter_preview"),
         [](FrmMain &main) -> QWidget * {
             return KwTdPrinter::createPreview(TemplateStore::resolve(GetCnstr(), PrintTypes::Sale, QStringLiteral("标准格式")),
                                               TemplateLibrary::sample(PrintTypes::Sale), QStringLiteral("销售小票 - 标准格式"), &main);
         }},
        {QStringLiteral("frmModifyPwd"),
         [](FrmMain &main) -> QWidget * { return new frmModifyPwd(GetCnstr(), GetUserName(), &main); }},
        {QStringLiteral("QMessageBox_question"),
         [](FrmMain &main) -> QWidget * {
             // The buttons are Qt's own texts: they show whether its translation is loaded.
             auto *box = new QMessageBox(QMessageBox::Question, QStringLiteral("提示"),
                                         QStringLiteral("单据已保存。\n\n是否打印小票？"),
                                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                         &main);
             box->setMinimumSize(320, 160);
             return box;
         }},
        {QStringLiteral("frmVipCz"),
         [](FrmMain &main) -> QWidget * {
             // A recharge of V0001 typed in, balance looked up, not yet saved.
             auto *form = new frmVipCz(&main);
             form->txtVipNo->setText(QStringLiteral("V0001"));
             form->txtVipNo_LostFocus();
             form->txtCzAmount->setText(QStringLiteral("500"));
             form->txtZsAmount->setText(QStringLiteral("50"));
             form->txtRemark->setText(QStringLiteral("续充"));
             form->printfmt->setCurrentText(QStringLiteral("充值小票"));
             return form;
         }},
        {QStringLiteral("frmVipCz_preview"),
         [](FrmMain &main) -> QWidget * {
             // The newest recharge bill of the demo data on the recharge slip.
             const int id = GetNavBillID(1, 0, false);
             const auto bill = RechargeBill::load(GetCnstr(), id);
             if (!bill)
                 throw CoreError(QStringLiteral("无记录！"));
             const RecordSet data = RechargeBill::printData(
                 bill->vipNo, bill->date, bill->owner, bill->begAmount, bill->czAmount, bill->zsAmount,
                 bill->endAmount, GetUserName(), QDateTime::currentDateTime());
             return KwTdPrinter::createPreview(TemplateStore::resolve(GetCnstr(), PrintTypes::Recharge, QStringLiteral("充值小票")),
                                               data, QStringLiteral("充值单 - 充值小票"), &main);
         }},
        {QStringLiteral("frmVip"),
         [](FrmMain &main) -> QWidget * {
             // 张丽 holds two cards on her identity number.
             auto *form = new frmVip(&main);
             form->txtID->setText(QStringLiteral("110101198001010021"));
             form->txtID_LostFocus();
             form->txtNewVipNo->setText(QStringLiteral("V0101"));
             return form;
         }},
        {QStringLiteral("frmEditVip"),
         [](FrmMain &main) -> QWidget * {
             auto *form = new frmEditVip(&main);
             form->txtVipNo->setText(QStringLiteral("V0004"));
             form->txtVipNo_LostFocus();
             return form;
         }},
        {QStringLiteral("frmOrderBillList"),
         [](FrmMain &main) -> QWidget * {
             // The demo's orders of the last month, same-day orders among them.
             auto *form = new frmOrderBillList(&main);
             form->dtpFromDate->setDate(QDate::currentDate().addDays(-31));
             form->cmdRefresh_Click();
             return form;
         }},
        {QStringLiteral("frmUnCplOrder"),
         [](FrmMain &main) -> QWidget * { return new frmUnCplOrder(&main); }},
        {QStringLiteral("frmSaleBillList"),
         [](FrmMain &main) -> QWidget * {
             auto *form = new frmSaleBillList(&main);
             form->dtpFromDate->setDate(QDate::currentDate().addDays(-6));
             form->cmdRefresh_Click();
             return form;
         }},
        {QStringLiteral("frmVipReport103"), [](FrmMain &main) { return vipReport(main, 103); }},
        {QStringLiteral("frmVipReport104"), [](FrmMain &main) { return vipReport(main, 104); }},
        {QStringLiteral("frmVipReport106"), [](FrmMain &main) { return vipReport(main, 106); }},
        {QStringLiteral("frmVipReport109"), [](FrmMain &main) { return vipReport(main, 109); }},
        // The demo's last days by date and item, and its two months of orders by month and item.
        {QStringLiteral("frmYyrbb"),
         [](FrmMain &main) -> QWidget * {
             auto *form = new frmYyrbb(&main);
             form->dtpFromDate->setDate(GetServerDate().date().addDays(-3));
             form->cmbTotal1->setCurrentText(QStringLiteral("日期"));
             form->cmbTotal2->setCurrentText(QStringLiteral("商品"));
             form->cmdRefresh_Click();
             return form;
         }},
        // The back office over the demo data: the item list, the first item with its pack
        // code, a pack code, the price styles, warehouses, operators and the member register.
        {QStringLiteral("frmItemList"), [](FrmMain &main) -> QWidget * { return new frmItemList(&main); }},
        {QStringLiteral("frmItemEdit"),
         [](FrmMain &main) -> QWidget * {
             auto *form = new frmItemEdit(&main);
             if (const auto item = ItemStore::load(GetCnstr(), 1))
                 form->init(*item);
             return form;
         }},
        {QStringLiteral("frmPackCode"),
         [](FrmMain &main) -> QWidget * {
             auto *form = new frmPackCode(PriceStyleStore::list(GetCnstr()), &main);
             if (const auto item = ItemStore::load(GetCnstr(), 1); item && !item->codes.isEmpty())
                 form->init(item->codes.first());
             return form;
         }},
        {QStringLiteral("frmPriceStyle"), [](FrmMain &main) -> QWidget * { return new frmPriceStyle(&main); }},
        {QStringLiteral("frmStock"), [](FrmMain &main) -> QWidget * { return new frmStock(&main); }},
        {QStringLiteral("frmUserList"), [](FrmMain &main) -> QWidget * { return new frmUserList(&main); }},
        {QStringLiteral("frmUserEdit"),
         [](FrmMain &main) -> QWidget * {
             auto *form = new frmUserEdit(&main);
             form->txtName->setText(QStringLiteral("小王"));
             return form;
         }},
        {QStringLiteral("frmVipList"), [](FrmMain &main) -> QWidget * { return new frmVipList(&main); }},
        {QStringLiteral("frmOrderHzb"),
         [](FrmMain &main) -> QWidget * {
             auto *form = new frmOrderHzb(&main);
             form->dtpFromDate->setDate(GetServerDate().date().addDays(-60));
             form->cmbTotal2->setCurrentText(QStringLiteral("商品"));
             form->cmdRefresh_Click();
             return form;
         }},
    };
}

int Screenshots::run(const QString &dir, FrmMain &main)
{
    QTextStream err(stderr);
    if (!QDir().mkpath(dir)) {
        err << "cannot create " << dir << Qt::endl;
        return 1;
    }
    main.show();
    int status = 0;
    for (const Entry &e : entries()) {
        QWidget *w = nullptr;
        try {
            w = e.build(main);
        } catch (const CoreError &error) {
            err << e.file << ": " << error.message() << Qt::endl;
            status = 1;
            continue;
        }
        // Fitted as the main window and the dialog runner fit them for the operator.
        if (w->isWindow() && !w->isVisible()) {
            if (w->windowType() != Qt::Popup)
                WindowFit::apply(*w);
            w->show();
        }
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
        const QString path = QDir(dir).filePath(e.file + QStringLiteral(".png"));
        if (!w->grab().save(path)) {
            err << "cannot write " << path << Qt::endl;
            status = 1;
        }
        if (w != &main)
            w->hide();
        if (e.dispose)
            delete w;
    }
    return status;
}
