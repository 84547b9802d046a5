#pragma once

#include <optional>

#include "core/backoffice/OperatorStore.h"
#include "ui/backoffice/RecordDialog.h"

class QCheckBox;
class QLineEdit;
class QSpinBox;

// "操作员": a new operator (name, password twice, manager or not, allowed query days), or an
// existing one's name, flag and days. Rights are granted in 权限设置.
class frmUserEdit : public RecordDialog
{
    Q_OBJECT
public:
    explicit frmUserEdit(QWidget *parent = nullptr);

    void init(const OperatorStore::Operator &asRead); // the password boxes go
    void cmdOk_Click() override;
    int NewUserID() const { return m_savedId; }

    QLineEdit *txtName;
    QLineEdit *txtPassword;
    QLineEdit *txtConfirm;
    QCheckBox *chkManager;
    QSpinBox *txtDays;

private:
    std::optional<OperatorStore::Operator> m_asRead;
    int m_savedId = 0;
};

// "重设密码": a new password for an operator, typed twice.
class frmUserPassword : public RecordDialog
{
    Q_OBJECT
public:
    frmUserPassword(const OperatorStore::Operator &asRead, QWidget *parent = nullptr);
    void cmdOk_Click() override;

    QLineEdit *txtPassword;
    QLineEdit *txtConfirm;

private:
    OperatorStore::Operator m_asRead;
};
