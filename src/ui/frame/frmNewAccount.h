#pragma once

#include "ui/widgets/SmallDialog.h"

class QLineEdit;

// A new shop on this station: a SQLite file in a folder of the operator's choice, with its
// first manager. Nothing else goes into it.
class frmNewAccount : public SmallDialog
{
    Q_OBJECT
public:
    explicit frmNewAccount(QWidget *parent = nullptr);

    void cmdOk_Click() override;
    QString NewName() const { return m_name; }

    QLineEdit *txtName, *txtFolder, *txtManager, *txtPassword, *txtConfirm;

private:
    QString m_name;
};
