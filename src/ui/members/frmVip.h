#pragma once

#include "ui/widgets/SmallDialog.h"

class QComboBox;
class QLineEdit;

// "补卡": a lost card replaced by a new number. The member is found by identity number; every
// order, stored-value movement and sale of the chosen old card moves to the new number.
class frmVip : public SmallDialog
{
    Q_OBJECT
public:
    explicit frmVip(QWidget *parent = nullptr);

    void txtID_LostFocus();
    void cmdOk_Click() override;

    QLineEdit *txtID;
    QLineEdit *txtOwner;
    QComboBox *cmbVipNo;
    QLineEdit *txtNewVipNo;
};
