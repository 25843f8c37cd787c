#pragma once
// The sign-in check and the password change, without any widget: the
// sign-in dialog calls these, and so may tests.
#include "signin/operator.h"

#include <QString>

#include <optional>

namespace store {
class Store;
}

namespace signin {

enum class Outcome {
    Ok,
    UnknownUser,   // no operator has this 用户名
    WrongPassword, // the operator exists, the password does not match his hash
    Disabled,      // the password matches, but the operator is marked 停用
};

struct SignInResult {
    Outcome outcome = Outcome::UnknownUser;
    std::optional<Operator> op; // set when outcome is Ok
};

// Looks the operator up by 用户名 exactly as typed (no trimming) and checks the
// typed password against the stored hash. Disabled operators are refused.
SignInResult checkSignIn(store::Store &store, const QString &userName, const QString &password);

// Stores a hash of newPassword (which may be empty) for userName when
// oldPassword is his current one. Check and update run in one transaction.
// A disabled operator cannot change his password either.
Outcome changePassword(store::Store &store, const QString &userName, const QString &oldPassword,
                       const QString &newPassword);

} // namespace signin
