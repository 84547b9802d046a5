#pragma once

#include "ui/widgets/SmallDialog.h"

class QLineEdit;

// "出库数量": how much of an order line's open quantity to hand out now.
class frmInputQty : public SmallDialog
{
    Q_OBJECT
public:
    explicit frmInputQty(QWidget *parent = nullptr);

    void init(int AllQty);
    int GetQty() const { return m_qty; } // 0 when cancelled

    void cmdOk_Click() override;
    void cmdExit_Click() override;

    QLineEdit *txtQty1;
    QLineEdit *txtQty2;

private:
    int m_allQty = 0;
    int m_qty = 0;
};
