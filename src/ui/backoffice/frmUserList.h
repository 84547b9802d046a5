#pragma once

#include "ui/backoffice/BaseDataList.h"

class QPushButton;

// "操作员": the operators; new, change, reset a password, disable or enable. A disabled
// operator cannot log in and keeps his name on his bills.
class frmUserList : public BaseDataList
{
    Q_OBJECT
public:
    explicit frmUserList(QWidget *parent = nullptr);

    void refresh() override;
    void newRecord() override;
    void editRecord() override;
    void cmdPassword_Click();
    void cmdDisable_Click();

    QPushButton *cmdEdit;
    QPushButton *cmdPassword;
    QPushButton *cmdDisable;
};
