#include "signin/check.h"

#include "store/password.h"
#include "store/query.h"
#include "store/store.h"

namespace signin {

namespace {

// The outcome of the typed password against the row found by name.
Outcome judge(const std::optional<Operator> &op, const QString &password)
{
    if (!op)
        return Outcome::UnknownUser;
    if (!store::verifyPassword(op->row().value(QStringLiteral("口令")).toString(), password))
        return Outcome::WrongPassword;
    if (op->disabled())
        return Outcome::Disabled;
    return Outcome::Ok;
}

} // namespace

SignInResult checkSignIn(store::Store &store, const QString &userName, const QString &password)
{
    std::optional<Operator> op = Operator::load(store, userName);
    SignInResult result;
    result.outcome = judge(op, password);
    if (result.outcome == Outcome::Ok)
        result.op = std::move(op);
    return result;
}

Outcome changePassword(store::Store &store, const QString &userName, const QString &oldPassword,
                       const QString &newPassword)
{
    store::Transaction tx(store);
    const Outcome outcome = judge(Operator::load(store, userName), oldPassword);
    if (outcome != Outcome::Ok)
        return outcome;
    store::Query(store, QStringLiteral("update 用户表 set 口令=:kl where 用户名=:yhm"))
        .bind(QStringLiteral(":kl"), store::hashPassword(newPassword))
        .bind(QStringLiteral(":yhm"), userName)
        .exec();
    tx.commit();
    return Outcome::Ok;
}

} // namespace signin
