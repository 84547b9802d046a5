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
    // Whether a failed scripted login was the operator's or password's refusal (rather than an
    // account set that could not be opened).
    bool refused() const { return m_refused; }

    // The first login of the day makes a copy of a SQLite shop. Returns what the status bar
    // says about it: empty when none was due or it went well, the reason when it failed.
    static QString dailyBackup(const QString &cnstr);

private:
    QString m_error;
    bool m_refused = false;
};
