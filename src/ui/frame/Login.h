#pragma once

#include <QString>
#include <QVariant>

// The login component: runs the login (dialogue or script) and hands over the session
// values. OK stays false when the operator cancelled.
class Login
{
public:
    void login(const QString &versionText, const QString &fileVersion);
    // For automation: no dialogue; fails (OK false, error() set) on a wrong account, user or
    // password.
    void loginScripted(const QString &account, const QString &user, const QString &password);

    QVariant OK;
    int UserID = 0;
    QString UserName;
    QString acctname;
    QString Cnstr;
    QString MasterPromptString;

    QString error() const { return m_error; }

private:
    QString m_error;
};
