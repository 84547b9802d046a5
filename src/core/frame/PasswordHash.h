#pragma once

#include <QString>

// Operator passwords are kept as argon2id hashes (libsodium's crypto_pwhash_str).
class PasswordHash
{
public:
    static QString hash(const QString &password);
    static bool verify(const QString &hash, const QString &password);
};
