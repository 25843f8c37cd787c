#include "store/password.h"

#include "store/errors.h"

#include <sodium.h>

namespace store {

namespace {

void ensureSodium()
{
    static const int ready = sodium_init();
    if (ready < 0)
        throw Error(QStringLiteral("密码库初始化失败"));
}

} // namespace

QString hashPassword(const QString &typed)
{
    ensureSodium();
    const QByteArray pw = typed.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, pw.constData(), quint64(pw.size()), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE / 4)
        != 0)
        throw Error(QStringLiteral("内存不足，无法保存口令"));
    return QString::fromLatin1(out);
}

bool verifyPassword(const QString &hash, const QString &typed)
{
    ensureSodium();
    const QByteArray h = hash.trimmed().toLatin1();
    const QByteArray pw = typed.toUtf8();
    if (h.isEmpty() || h.size() >= crypto_pwhash_STRBYTES)
        return false;
    return crypto_pwhash_str_verify(h.constData(), pw.constData(), quint64(pw.size())) == 0;
}

} // namespace store
