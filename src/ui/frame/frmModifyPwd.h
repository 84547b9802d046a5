#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// "修改密码": the operator's old password, then the new one twice.
class frmModifyPwd : public QDialog
{
    Q_OBJECT
public:
    frmModifyPwd(const QString &cnstr, const QString &userName, QWidget *parent = nullptr);

    bool OK = false;
    QLabel *lblUser;
    QLineEdit *txtOld;
    QLineEdit *txtNew;
    QLineEdit *txtConfirm;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;

    void cmdOK_Click();

private:
    QString m_cnstr;
    QString m_userName;
};

// The password change as the main window starts it: modal.
void ModifyPwd(const QString &cnstr, const QString &userName);
