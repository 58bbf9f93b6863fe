#include "store/Password.h"

#include "store/StoreError.h"

#include <sodium.h>

using namespace Qt::StringLiterals;

namespace {

void ensureSodium()
{
    // sodium_init() is safe to call again; a static keeps it to one call.
    static const int status = sodium_init();
    if (status < 0)
        throw StoreError(1, u"密码库初始化失败。"_s);
}

QString hashWith(const QString& password, unsigned long long opslimit, size_t memlimit)
{
    ensureSodium();
    const QByteArray bytes = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, bytes.constData(), static_cast<unsigned long long>(bytes.size()), opslimit,
                          memlimit) != 0) {
        throw StoreError(1, u"计算密码摘要时内存不足。"_s);
    }
    return QString::fromLatin1(out);
}

} // namespace

QString hashPassword(const QString& password)
{
    return hashWith(password, crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE);
}

QString hashPasswordFast(const QString& password)
{
    return hashWith(password, crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN);
}

bool verifyPassword(const QString& storedHash, const QString& password)
{
    ensureSodium();
    const QByteArray hash = storedHash.toLatin1();
    // A stored value that is not a hash (say, a password left in plain text)
    // never verifies; the check below also keeps libsodium from reading a
    // value longer than its buffer.
    if (hash.size() >= qsizetype(crypto_pwhash_STRBYTES) || !hash.startsWith("$argon2") ||
        hash.contains('\0'))
        return false;
    const QByteArray bytes = password.toUtf8();
    return crypto_pwhash_str_verify(hash.constData(), bytes.constData(),
                                    static_cast<unsigned long long>(bytes.size())) == 0;
}
