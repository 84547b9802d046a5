#pragma once

#include "ui/widgets/SmallDialog.h"

class QComboBox;
class QLineEdit;

// A shop on a PostgreSQL server: an empty database gets a new shop and its first manager;
// a database that holds one of ours is joined (this is how a second counter joins the shop).
class frmServerAccount : public SmallDialog
{
    Q_OBJECT
public:
    explicit frmServerAccount(QWidget *parent = nullptr);

    void cmdOk_Click() override;
    void cmdTest_Click();
    QString NewName() const { return m_name; }

    QLineEdit *txtName, *txtHost, *txtPort, *txtDatabase, *txtUser, *txtServerPassword;
    QComboBox *cmbSslMode;
    QLineEdit *txtManager, *txtPassword, *txtConfirm;
    QPushButton *cmdTest;

private:
    QString m_name;
};
