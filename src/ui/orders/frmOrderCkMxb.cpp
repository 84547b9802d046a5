#include "ui/orders/frmOrderCkMxb.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include "ui/widgets/DialogRunner.h"

#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/KeyedGrid.h"
#include "core/base/NumberText.h"
#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "core/frame/StationSettings.h"
#include "core/base/CoreError.h"
#include "ui/print/DevicePort.h"
#include "core/orders/OrderOutDetail.h"

frmOrderCkMxb::frmOrderCkMxb(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOrderCkMxb"));
    setWindowTitle(QStringLiteral("订单出库明细"));
    lblVip = new QLabel(QStringLiteral("卡号："), this);
    lblVip->setObjectName(QStringLiteral("lblVip"));
    lblOrderQty = new QLabel(QStringLiteral("订单数量："), this);
    lblOrderQty->setObjectName(QStringLiteral("lblOrderQty"));
    lblSaleQty = new QLabel(QStringLiteral("出库数量："), this);
    lblSaleQty->setObjectName(QStringLiteral("lblSaleQty"));
    Flex = new KeyedGrid(this);
    Flex->setObjectName(QStringLiteral("Flex"));
    Flex->setColumns({
        {QStringLiteral("FSysTime"), QStringLiteral("日期"), 170, false, Qt::AlignCenter},
        {QStringLiteral("FQty"), QStringLiteral("数量"), 80, false, Qt::AlignRight | Qt::AlignVCenter},
    });
    Flex->setEditTriggers(QAbstractItemView::NoEditTriggers);
    cmbPort = new QComboBox(this);
    cmbPort->setObjectName(QStringLiteral("cmbPort"));
    cmbPort->setEditable(true); // a station may name a port of its own
    cmbPort->setInsertPolicy(QComboBox::NoInsert);
    Command1 = new QPushButton(QStringLiteral("打印(&P)"), this);
    Command1->setObjectName(QStringLiteral("Command1"));

    auto *labels = new QHBoxLayout;
    labels->addWidget(lblVip);
    labels->addWidget(lblOrderQty);
    labels->addWidget(lblSaleQty);
    auto *bottom = new QHBoxLayout;
    auto *portLabel = new QLabel(QStringLiteral("端口："), this);
    portLabel->setBuddy(cmbPort);
    bottom->addWidget(portLabel);
    bottom->addWidget(cmbPort);
    bottom->addStretch();
    bottom->addWidget(Command1);
    auto *main = new QVBoxLayout(this);
    main->addLayout(labels);
    main->addWidget(Flex, 1);
    main->addLayout(bottom);

    connect(Command1, &QPushButton::clicked, this, &frmOrderCkMxb::Command1_Click);
    resize(420, 360);
}

void frmOrderCkMxb::showFor(QWidget *parent, const OrderLists::RowKey &key)
{
    if (key.orderId == 0)
        return;
    frmOrderCkMxb dialog(parent);
    dialog.init(key.orderId, key.entryId, key.orderQty, key.vipNo);
    DialogRunner::exec(dialog);
}

void frmOrderCkMxb::init(int OrderID, int EntryID, int OrderQty, const QString &VipNO)
{
    m_orderId = OrderID;
    m_entryId = EntryID;
    m_orderQty = OrderQty;
    m_vipNo = VipNO;
}

void frmOrderCkMxb::showEvent(QShowEvent *event)
{
    if (!m_loaded)
        Form_Load();
    QDialog::showEvent(event);
}

void frmOrderCkMxb::Form_Load()
{
    m_loaded = true;
    cmbPort->clear();
    cmbPort->addItems({QStringLiteral("LPT1"), QStringLiteral("LPT2"), QStringLiteral("LPT3"),
                       QStringLiteral("LPT4"), QStringLiteral("LPT5"), QStringLiteral("Com1"),
                       QStringLiteral("Com2"), QStringLiteral("Com3"), QStringLiteral("Com4")});
    cmbPort->setCurrentText(StationSettings::detailPrintPort());
    lblOrderQty->setText(OrderOutDetail::orderQtyLabel(m_orderQty));
    lblVip->setText(OrderOutDetail::vipLabel(m_vipNo));
    Flex->setRows(1);
    try {
        const QList<OrderOutDetail::Line> lines = OrderOutDetail::load(GetCnstr(), m_orderId, m_entryId);
        for (const OrderOutDetail::Line &l : lines) {
            const int r = Flex->addRow();
            Flex->setText(r, QStringLiteral("FSysTime"), OrderOutDetail::timeText(l.time));
            Flex->setText(r, QStringLiteral("FQty"), NumberText::plain(l.qty));
        }
        lblSaleQty->setText(OrderOutDetail::saleQtyLabel(OrderOutDetail::total(lines)));
    } catch (const CoreError &e) {
        showError(e, this);
    }
}

QStringList frmOrderCkMxb::PrintLines() const
{
    QList<QStringList> rows;
    for (int r = 1; r < Flex->rows(); ++r)
        rows << QStringList{Flex->text(r, QStringLiteral("FSysTime")), Flex->text(r, QStringLiteral("FQty"))};
    return OrderOutDetail::printLines(lblVip->text(), lblOrderQty->text(), lblSaleQty->text(), rows);
}

void frmOrderCkMxb::Command1_Click()
{
    try {
        DevicePort::writeLines(cmbPort->currentText(), PrintLines());
    } catch (const CoreError &e) {
        showError(e, this);
    }
}

void frmOrderCkMxb::done(int result)
{
    if (m_loaded) { // a port list never filled holds no choice to keep
        try {
            StationSettings::setDetailPrintPort(cmbPort->currentText());
        } catch (const CoreError &e) {
            // Only the port choice is lost; the screen closes all the same.
            showError(e, this);
        }
    }
    QDialog::done(result);
}
