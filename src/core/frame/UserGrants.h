#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Operator rights as rows of t_user_grant: one row per right key with FValue 0 or 1. Keys
// are compared without regard to case; a manager holds every right without rows.
class UserGrants
{
public:
    struct Right
    {
        QString key;     // as written into t_user_grant
        QString caption; // the check box's caption on the rights form
    };

    // The rights, in the order the rights form shows them.
    static const QList<Right> &rights();

    // Every right key mapped to whether the operator's rows grant it. Rows whose key is not
    // one of the ten are ignored; a NULL value reads as not granted.
    static QMap<QString, bool> load(const QString &cnstr, const QString &userName);

    // Replaces the operator's rows by one row per right key (1 when granted, 0 when not; keys
    // missing from `granted` are written as 0). All or nothing: on any failure the operator's
    // earlier rows stay as they were and CoreError carries the reason.
    static void grant(const QString &cnstr, const QString &userName,
                      const QMap<QString, bool> &granted);
};
