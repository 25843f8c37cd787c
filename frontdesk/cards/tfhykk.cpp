#include "tfhykk.h"

#include "screenparts.h"

#include "kit/keys.h"
#include "kit/messages.h"
#include "store/money.h"
#include "store/query.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace frontdesk {

using cards::AmountEdit;

namespace {
const QString zero = QStringLiteral("0.00");
}

Tfhykk::Tfhykk(MemberDesk& desk, QWidget* parent) : QDialog(parent), desk_(desk)
{
    setWindowTitle(QStringLiteral("会员卡扣款"));

    display_ = cards::makeLargeDisplay(this);
    amount_ = new AmountEdit(QStringLiteral("0.00"), QStringLiteral("消费金额"), this);
    after_ = cards::makeTextField(QStringLiteral("扣后余额"), true, this);
    remark_ = cards::makeTextField(QStringLiteral("备注说明"), false, this);
    ok_ = cards::makeButton(QStringLiteral("确定"), this);
    back_ = cards::makeButton(QStringLiteral("返回"), this);
    cards::layOutScreen(this, display_, cards::DisplayAt::Above,
                        {{QStringLiteral("消费金额"), amount_}, {QStringLiteral("扣后余额"), after_},
                         {QStringLiteral("备注说明"), remark_}},
                        {QStringLiteral("在此输入扣款的金额，无需加入负号。"),
                         QStringLiteral("如果客户没有设置消费密码，直接回车进行扣款操作。")},
                        ok_, back_);

    connect(amount_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text != zero)
            display_->setText(text);
    });
    cards::onLeave(amount_, [this] { leaveAmount(); });
    connect(ok_, &QPushButton::clicked, this, &Tfhykk::confirm);
    connect(back_, &QPushButton::clicked, this, &Tfhykk::back);

    auto* keys = new kit::KeyRouter(this);
    keys->setEnterOrder({amount_, after_, remark_}, ok_);
    keys->onEnter(amount_, [this, keys] {
        if (amount_->text() != zero)
            keys->focusNext(amount_);
    });
    keys->onEnter(after_, ok_);
    keys->onEnter(remark_, ok_);
    keys->bindEscape(back_);
    keys->bindClose(back_);
}

void Tfhykk::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        reset();
}

void Tfhykk::reset()
{
    amount_->clear();
    after_->clear();
    remark_->clear();
    display_->clear();
    amount_->setFocus(Qt::OtherFocusReason);
}

void Tfhykk::refuseAmount()
{
    amount_->setText(zero);
    after_->clear();
    cards::focusLater(amount_);
}

// Leaving the amount: the balance is read as stored now; an amount above it
// is refused at once, otherwise the balance after deduction is shown. A text
// that is not an amount is refused on confirmation.
void Tfhykk::leaveAmount()
{
    after_->clear();
    const auto amount = cards::amountOf(amount_->text());
    if (!amount)
        return;
    kit::guard(this, [&] {
        const QSqlRecord stored = memberRow(desk_.store(), desk_.cardNumber());
        if (stored.isEmpty())
            return;
        const Cents balance = store::storedMoney(cards::memberText(stored, "金额"));
        if (*amount <= balance) {
            after_->setText(store::moneyText(balance - *amount));
        } else {
            kit::info(this, textNoMoney());
            refuseAmount();
        }
    });
}

void Tfhykk::confirm()
{
    if (amount_->text() == zero || cards::isZeroAmount(amount_->text()))
        return;
    const auto amount = cards::typedAmount(this, amount_);
    if (!amount)
        return;
    const QString card = desk_.cardNumber();
    const auto result = cards::runOperation(
        this, [&] { return deduct(cards::opContext(desk_), card, *amount, remark_->text()); },
        [this](const Refused& refusal) {
            if (refusal.reason() == Refused::Reason::Insufficient)
                refuseAmount();
        });
    if (!result)
        return;
    desk_.showMember(result->member);
    // What was written: the balance after this deduction as stored.
    after_->setText(cards::memberMoney(result->member, "金额"));

    if (kit::ask(this, QStringLiteral("是否打印消费信息?"))) {
        Receipt r = cards::receiptOf(desk_, ReceiptLayout::Settlement, QStringLiteral("结账单"), *result);
        r.amountCaption = QStringLiteral("消费金额：");
        r.amountValue = amount_->text().trimmed();
        r.balanceCaption = QStringLiteral("当前余额：");
        r.balanceValue = after_->text();
        desk_.printer().print(r);
    }
    accept();
    desk_.reloadJournal();
    desk_.focusCardNumber();
}

void Tfhykk::back()
{
    reject();
    desk_.focusCardNumber();
}

}  // namespace frontdesk
