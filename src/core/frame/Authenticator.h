#pragma once

#include <optional>

#include <QString>

// Checks an operator's password against t_user and changes it; used by the login
// dialogue, the scripted login and the password change.
class Authenticator
{
public:
    struct Operator
    {
        int userId = 0;
        QString userName;
    };

    // Disabled operators are not let in (nor listed: ReferenceData::operatorNames).
    static std::optional<Operator> verify(const QString &cnstr, const QString &userName,
                                          const QString &password);
    // Throws CoreError with the operator's message on a wrong old password or a mismatch.
    static void changePassword(const QString &cnstr, const QString &userName,
                               const QString &oldPassword, const QString &newPassword,
                               const QString &confirmPassword);
    static void setPassword(const QString &cnstr, const QString &userName, const QString &password);
};
