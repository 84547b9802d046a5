#pragma once

#include "core/orders/OrderLists.h"
#include "ui/reports/ReportWindow.h"

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

// "会员订单明细表": the stored member orders line by line, of one card or of a date range,
// with their count and total; opens an order for editing, deletes one, shows what was handed
// out against a line. The total row acts on nothing.
class frmOrderBillList : public ReportWindow
{
    Q_OBJECT
public:
    explicit frmOrderBillList(QWidget *parent = nullptr);

    QLineEdit *txtVipNo;
    QDateEdit *dtpFromDate;
    QDateEdit *dtpToDate;
    QLabel *lblCount;
    KeyedGrid *Flex;
    QPushButton *cmdRefresh;
    QPushButton *cmdModify;
    QPushButton *cmdDelete;
    QPushButton *cmdMxb;
    QPushButton *cmdPrint;
    QPushButton *cmdPageSet;
    QPushButton *cmdExit;

    void cmdRefresh_Click();
    void cmdModify_Click();
    void cmdDelete_Click();
    void cmdMxb_Click();

    // The order line of the current row; order 0 on the total row or with no row chosen.
    OrderLists::RowKey currentKey() const;

protected:
    QStringList titleLines() const override;
    int pageSetColumns() const override;

private:
    QList<OrderLists::RowKey> m_keys;
};
