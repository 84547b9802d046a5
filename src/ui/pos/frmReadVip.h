#pragma once

#include "ui/widgets/SmallDialog.h"

class QLineEdit;

// "读卡": finds a member by card number or telephone number. The caller reads OK, VipNO
// (the card number found, also when the telephone number was typed) and VipOwner.
class frmReadVip : public SmallDialog
{
    Q_OBJECT
public:
    explicit frmReadVip(QWidget *parent = nullptr);

    QString VipNO() const { return m_vipNo; }
    QString VipOwner() const { return m_owner; }

    void cmdOk_Click() override;
    void cmdExit_Click() override;

    QLineEdit *Text1;
    // The dialog's names for its OK and Exit buttons.
    QPushButton *const Command1;
    QPushButton *const Command2;

private:
    QString m_vipNo;
    QString m_owner;
};
