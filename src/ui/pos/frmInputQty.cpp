#include "ui/pos/frmInputQty.h"

#include <QLineEdit>

#include "core/base/NumberText.h"
#include "core/frame/Prompts.h"
#include "ui/widgets/SelectOnFocus.h"

frmInputQty::frmInputQty(QWidget *parent)
    : SmallDialog(parent, QStringLiteral("frmInputQty"), QStringLiteral("出库数量"))
{
    txtQty1 = new QLineEdit(this);
    txtQty1->setObjectName(QStringLiteral("txtQty1"));
    txtQty1->setEnabled(false);
    txtQty2 = new QLineEdit(this);
    txtQty2->setObjectName(QStringLiteral("txtQty2"));
    build({{QStringLiteral("剩余数量："), txtQty1}, {QStringLiteral("出库数量："), txtQty2}});
    resize(280, 130);
    SelectOnFocus::watch({txtQty2});
    txtQty2->setFocus();
    init(0);
}

void frmInputQty::init(int AllQty)
{
    m_allQty = AllQty;
    txtQty1->setText(QString::number(AllQty));
}

void frmInputQty::cmdOk_Click()
{
    const double all = NumberText::val(txtQty1->text());
    const double qty = NumberText::val(txtQty2->text());
    // Below one piece would hand nothing out, or give goods back to the order.
    if (qty < 1.0) {
        Prompts::current().information(QStringLiteral("请输入数量！"));
        txtQty2->setFocus();
        return;
    }
    if (qty > all) {
        Prompts::current().information(QStringLiteral("出库数量不允许大于剩余数量！"));
        txtQty2->setFocus();
        return;
    }
    m_qty = int(NumberText::roundHalfEven(qty));
    m_ok = true;
    accept();
}

void frmInputQty::cmdExit_Click()
{
    m_qty = 0;
    SmallDialog::cmdExit_Click();
}
