#pragma once

#include <QDate>
#include "ui/widgets/SmallDialog.h"

class QDateEdit;

// "修改有效期": a new validity date for the lines of an order that hold one item; stores
// it itself and reports OK and NewDate.
class frmEditDate : public SmallDialog
{
    Q_OBJECT
public:
    explicit frmEditDate(QWidget *parent = nullptr);

    void init(int ID, int ItemID, const QDate &OldDAte);
    QDate NewDate() const { return m_newDate; }

    void cmdOk_Click() override;

    QDateEdit *dtpOldDate;
    QDateEdit *dtpNewDate;

private:
    int m_orderId = 0;
    int m_itemId = 0;
    QDate m_oldDate;
    QDate m_newDate;
};
