#pragma once
// A small data set for the front-desk tests and for looking at the screens:
// the delivered files plus a few cards with journal rows and operators with
// chosen rights.
#include <QString>
#include <QStringList>

namespace store {
class Store;
}

namespace sample {

// Stored-value card 1001 (own number A001): issued with 100, recharged 50
// with 10 gift, 30 deducted, 5 corrected as mis-charged, one row flagged 修改.
inline const QString storedCard = QStringLiteral("1001");
inline const QString storedOwn = QStringLiteral("A001");
// Count card 2001 (own number B001): 10 uses, 3 used.
inline const QString countCard = QStringLiteral("2001");
// Stored-value cards whose 状态 is 已挂失 and 已过期.
inline const QString lostCard = QStringLiteral("3001");
inline const QString expiredCard = QStringLiteral("4001");
// A number no member has.
inline const QString newCard = QStringLiteral("9999");

// Writes the delivered files into folder and adds the cards above.
void write(const QString &folder);

// Adds operator `user` (password = user, 姓名 = name) holding exactly the
// given rights.
void addOperator(store::Store &s, const QString &user, const QString &name, const QStringList &rights);

} // namespace sample
