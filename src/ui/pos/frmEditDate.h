#pragma once

#include <QDate>
#include <QDialog>

class QDateEdit;
class QPushButton;

// "修改有效期": a new validity date for the lines of an order that hold one item; stores
// it itself and reports OK and NewDate.
class frmEditDate : public QDialog
{
    Q_OBJECT
public:
    explicit frmEditDate(QWidget *parent = nullptr);

    void init(int ID, int ItemID, const QDate &OldDAte);
    bool OK() const { return m_ok; }
    QDate NewDate() const { return m_newDate; }

    void cmdOk_Click();
    void cmdExit_Click();

    QDateEdit *dtpOldDate;
    QDateEdit *dtpNewDate;
    QPushButton *cmdOk;
    QPushButton *cmdExit;

private:
    int m_orderId = 0;
    int m_itemId = 0;
    QDate m_oldDate;
    QDate m_newDate;
    bool m_ok = false;
};
