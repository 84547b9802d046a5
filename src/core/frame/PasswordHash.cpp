#include "core/frame/PasswordHash.h"

#include <sodium.h>

#include "core/base/CoreError.h"

namespace {

void ensureSodium()
{
    static const int rc = sodium_init();
    if (rc < 0)
        throw CoreError(QStringLiteral("密码库初始化失败"));
}

} // namespace

QString PasswordHash::hash(const QString &password)
{
    ensureSodium();
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(out, utf8.constData(), size_t(utf8.size()),
                              crypto_pwhash_OPSLIMIT_INTERACTIVE,
                              crypto_pwhash_MEMLIMIT_INTERACTIVE, crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw CoreError(QStringLiteral("内存不足，无法计算密码摘要"));
    return QString::fromLatin1(out);
}

bool PasswordHash::verify(const QString &hash, const QString &password)
{
    if (hash.isEmpty())
        return false;
    ensureSodium();
    const QByteArray h = hash.toLatin1();
    const QByteArray utf8 = password.toUtf8();
    return crypto_pwhash_str_verify(h.constData(), utf8.constData(), size_t(utf8.size())) == 0;
}
