#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;

// The login dialogue: account set, operator and password. Stays open on a wrong password.
class LoginDialog : public QDialog
{
    Q_OBJECT
public:
    explicit LoginDialog(QWidget *parent = nullptr);

    QString accountName() const;
    QString cnstr() const { return m_cnstr; }
    int userId() const { return m_userId; }
    QString userName() const { return m_userName; }

    // "帐套管理": the station's account sets, then the list again.
    void cmdAccounts_Click();

private:
    void loadAccounts();
    void loadOperators();
    void tryLogin();

    QComboBox *m_account;
    QComboBox *m_user;
    QLineEdit *m_password;
    QString m_cnstr;
    int m_userId = 0;
    QString m_userName;
};
