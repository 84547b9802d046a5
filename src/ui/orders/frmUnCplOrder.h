#pragma once

#include "core/orders/OrderLists.h"
#include "ui/reports/ReportWindow.h"

class QLabel;
class QLineEdit;
class QPushButton;

// "未完成订单明细表": every order line that still has goods to hand out, of one card or of
// all, with the count of orders and a total row; shows what was handed out against a line.
// Fills itself when it opens.
class frmUnCplOrder : public ReportWindow
{
    Q_OBJECT
public:
    explicit frmUnCplOrder(QWidget *parent = nullptr);

    QLineEdit *txtVipNo;
    KeyedGrid *Flex;
    QLabel *lblCount;
    QPushButton *cmdRefresh;
    QPushButton *cmdMxb;
    QPushButton *cmdPrint;
    QPushButton *cmdPageSet;
    QPushButton *cmdExit;

    void cmdRefresh_Click();
    void cmdMxb_Click();

    // The order line of the current row; order 0 on the total row or with no row chosen.
    OrderLists::RowKey currentKey() const;

protected:
    QStringList titleLines() const override { return {QString()}; }
    int pageSetColumns() const override;

private:
    QList<OrderLists::RowKey> m_keys;
};
