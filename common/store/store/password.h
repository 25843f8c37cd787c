#pragma once
// Operator passwords are kept as salted hashes (Argon2id through libsodium),
// never as typed.
#include <QString>

namespace store {

QString hashPassword(const QString &typed);
// True when typed is the password behind hash.
bool verifyPassword(const QString &hash, const QString &typed);

} // namespace store
