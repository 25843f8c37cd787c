#include "tfhyws.h"

#include "screenparts.h"

#include "kit/keys.h"
#include "kit/messages.h"
#include "store/money.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace frontdesk {

using cards::AmountEdit;

namespace {
const QString zero = QStringLiteral("0.00");
}

Tfhyws::Tfhyws(MemberDesk& desk, QWidget* parent) : QDialog(parent), desk_(desk)
{
    setWindowTitle(QStringLiteral("误收操作"));

    display_ = cards::makeLargeDisplay(this);
    amount_ = new AmountEdit(QStringLiteral("0.00"), QStringLiteral("多收金额"), this);
    corrected_ = cards::makeTextField(QStringLiteral("修正金额"), true, this);
    bill_ = cards::makeTextField(QStringLiteral("原流水号"), false, this);
    ok_ = cards::makeButton(QStringLiteral("确定"), this);
    back_ = cards::makeButton(QStringLiteral("返回"), this);
    cards::layOutScreen(this, display_, cards::DisplayAt::Above,
                        {{QStringLiteral("多收金额"), amount_}, {QStringLiteral("修正金额"), corrected_},
                         {QStringLiteral("原流水号"), bill_, QStringLiteral("*原流水号不能为空")}},
                        {QStringLiteral("在多收金额中输入多收的金额。"),
                         QStringLiteral("在原流水号中输入原账单的流水号，以便进行查询。")},
                        ok_, back_);

    connect(amount_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text != zero)
            display_->setText(text);
    });
    cards::onLeave(amount_, [this] { leaveAmount(); });
    connect(ok_, &QPushButton::clicked, this, &Tfhyws::confirm);
    connect(back_, &QPushButton::clicked, this, &Tfhyws::back);

    auto* keys = new kit::KeyRouter(this);
    keys->setEnterOrder({amount_, corrected_, bill_}, ok_);
    keys->onEnter(amount_, [this, keys] {
        if (amount_->text() != zero)
            keys->focusNext(amount_);
    });
    keys->bindEscape(back_);
    keys->bindClose(back_);
}

void Tfhyws::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        reset();
}

void Tfhyws::reset()
{
    amount_->clear();
    corrected_->clear();
    bill_->clear();
    display_->clear();
    amount_->setFocus(Qt::OtherFocusReason);
}

// Leaving the amount shows the balance it gives back to; there is no upper
// limit on the correction.
void Tfhyws::leaveAmount()
{
    corrected_->clear();
    const auto amount = cards::amountOf(amount_->text());
    if (!amount)
        return;
    kit::guard(this, [&] {
        const Cents balance = store::storedMoney(cards::memberText(desk_.member(), "金额"));
        corrected_->setText(store::moneyText(balance + *amount));
    });
}

void Tfhyws::confirm()
{
    if (amount_->text() == zero || cards::isZeroAmount(amount_->text()) || bill_->text().trimmed().isEmpty())
        return;
    const auto amount = cards::typedAmount(this, amount_);
    if (!amount)
        return;
    const QString card = desk_.cardNumber();
    const QString bill = bill_->text().trimmed();
    const auto result = cards::runOperation(
        this, [&] { return correctMischarge(cards::opContext(desk_), card, *amount, bill); });
    if (!result)
        return;
    desk_.showMember(result->member);
    corrected_->setText(cards::memberMoney(result->member, "金额"));

    if (kit::ask(this, QStringLiteral("是否打印补充信息?"))) {
        Receipt r = cards::receiptOf(desk_, ReceiptLayout::Mischarge, QStringLiteral("误收单据"), *result);
        r.amountCaption = QStringLiteral("误收金额：");
        r.amountValue = amount_->text().trimmed();
        r.balanceCaption = QStringLiteral("当前余额：");
        r.balanceValue = corrected_->text();
        desk_.printer().print(r);
    }
    accept();
    desk_.reloadJournal();
    desk_.focusCardNumber();
}

void Tfhyws::back()
{
    reject();
    desk_.focusCardNumber();
}

}  // namespace frontdesk
