#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// "出库数量": how much of an order line's open quantity to hand out now.
class frmInputQty : public QDialog
{
    Q_OBJECT
public:
    explicit frmInputQty(QWidget *parent = nullptr);

    void init(int AllQty);
    int GetQty() const { return m_qty; } // 0 when cancelled

    void cmdOk_Click();
    void cmdExit_Click();

    QLineEdit *txtQty1;
    QLineEdit *txtQty2;
    QPushButton *cmdOk;
    QPushButton *cmdExit;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int m_allQty = 0;
    int m_qty = 0;
};
