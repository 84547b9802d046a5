#pragma once

#include "ui/widgets/SmallDialog.h"

class QLineEdit;

// "修改会员资料": the holder's name, telephone and identity number on every order of a card.
class frmEditVip : public SmallDialog
{
    Q_OBJECT
public:
    explicit frmEditVip(QWidget *parent = nullptr);

    void txtVipNo_LostFocus();
    void cmdOk_Click() override;

    QLineEdit *txtVipNo;
    QLineEdit *txtOwner;
    QLineEdit *txtPhone;
    QLineEdit *txtCardID;
};
