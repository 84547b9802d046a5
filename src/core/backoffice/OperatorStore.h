#pragma once

#include <optional>

#include <QList>
#include <QString>

namespace db {
class Transaction;
}

// Operators (t_user): name, manager flag, allowed query days, password hash as the login
// checks it. Rights stay with UserGrants. An operator is disabled, never deleted, so bills
// keep the name; a disabled operator cannot log in. The shop always keeps one enabled
// manager, and nobody disables himself.
class OperatorStore
{
public:
    struct Operator
    {
        int id = 0; // 0: not saved yet
        QString name;
        bool manager = false;
        int allowQueryDays = 0; // 0: no limit
        bool disabled = false;
        bool operator==(const Operator &) const = default;
    };

    // In id order.
    static QList<Operator> list(const QString &cnstr);

    // A new operator with the password typed twice; returns the id.
    static int add(const QString &cnstr, const Operator &op, const QString &password,
                   const QString &confirm);
    static int add(db::Transaction &tx, const Operator &op, const QString &password,
                   const QString &confirm);

    // Name, manager flag and query days; refused as stale when the stored row is no longer
    // `asRead`, and when it would leave no enabled manager.
    static void update(const QString &cnstr, const Operator &op, const Operator &asRead);

    static void resetPassword(const QString &cnstr, const Operator &asRead, const QString &password,
                              const QString &confirm);

    // `actingUserId` is the operator logged in at this station: he cannot disable himself.
    static void setDisabled(const QString &cnstr, const Operator &asRead, bool disabled,
                            int actingUserId);
};
