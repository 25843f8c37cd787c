#pragma once
// The card operations of the front desk without their screens: issue, money
// recharge, deduction and over-charge correction, and the three count-card
// operations. Each is one transaction: the serial number is drawn inside it,
// the new totals are computed from the member row as stored, the balance
// checks run inside it, and the journal row, the member update and the
// counter commit together or not at all.
#include "store/errors.h"
#include "store/money.h"

#include <QSqlRecord>
#include <QString>
#include <functional>

namespace store {
class Store;
}

namespace frontdesk {

using store::Cents;

// Who writes: the operator's name (收银员, 开卡人) and the workstation
// (收银点名称). afterJournal, when set, runs between the journal insert and
// the member update; tests use it to inject a failure there.
struct OpContext {
    store::Store &store;
    QString cashier;
    QString cashPoint;
    std::function<void()> afterJournal;
};

// The result of a completed operation: the serial number stamped on the
// journal row and the member row as written.
struct OpResult {
    qint64 serial = 0;
    QSqlRecord member;
};

// A refusal decided inside the transaction; nothing was written. message()
// is the text to show.
class Refused : public store::Error {
public:
    enum class Reason { NoCard, Insufficient, DuplicateOwnNumber, DuplicateCard };
    Refused(Reason reason, const QString &message) : store::Error(message), m_reason(reason) {}
    Reason reason() const { return m_reason; }

private:
    Reason m_reason;
};

// The texts of the refusals.
QString textNoMoney();       // stored-value balance too low
QString textNoUses();        // count balance too low
QString textDuplicateOwnNumber();

// Stored-value card.
OpResult recharge(const OpContext &ctx, const QString &card, Cents amount, Cents gift,
                  const QString &method, const QString &remark);
OpResult deduct(const OpContext &ctx, const QString &card, Cents amount, const QString &remark);
OpResult correctMischarge(const OpContext &ctx, const QString &card, Cents amount,
                          const QString &originalSerial);

// Count card.
OpResult deductUses(const OpContext &ctx, const QString &card, qint64 uses, const QString &remark);
OpResult rechargeUses(const OpContext &ctx, const QString &card, qint64 uses, Cents amount,
                      const QString &method, const QString &remark);
OpResult correctUses(const OpContext &ctx, const QString &card, qint64 uses,
                     const QString &originalSerial);

// A new card as typed on the card issue screen.
struct NewCard {
    QString card;       // the member screen's card number
    QString cardType;   // 协议名称
    bool countCard = false;
    QString expiry;     // 失效时间
    QString name, sex, ownNumber, method;
    Cents amount = 0;   // 充值金额
    Cents gift = 0;     // 赠送金额 (also written for a count card, as typed)
    qint64 uses = 0;    // 有效次数
    QString mobile, idNumber, birthMonth, birthDay, verification;
    bool sms = false;
    QString company, phone, address, remark;
};

// Writes the member row and the "新开卡" journal row. Refuses an own number
// or a card number that a member row already has.
OpResult issueCard(const OpContext &ctx, const NewCard &c);

// The member row of a card as stored now (empty record when there is none).
QSqlRecord memberRow(store::Store &s, const QString &card);

} // namespace frontdesk
