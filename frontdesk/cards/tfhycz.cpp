#include "tfhycz.h"

#include "screenparts.h"

#include "kit/keys.h"
#include "kit/messages.h"
#include "store/money.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace frontdesk {

using cards::AmountEdit;

Tfhycz::Tfhycz(MemberDesk& desk, QWidget* parent) : QDialog(parent), desk_(desk)
{
    setWindowTitle(QStringLiteral("会员卡充值"));

    display_ = cards::makeLargeDisplay(this);
    amount_ = new AmountEdit(QStringLiteral("0.0"), QStringLiteral("充值金额"), this);
    method_ = new QComboBox(this);
    method_->setObjectName(QStringLiteral("付款方式"));
    method_->setEditable(true);
    gift_ = new AmountEdit(QStringLiteral("0.0"), QStringLiteral("赠送金额"), this);
    remark_ = cards::makeTextField(QStringLiteral("备注说明"), false, this);
    ok_ = cards::makeButton(QStringLiteral("确定"), this);
    back_ = cards::makeButton(QStringLiteral("返回"), this);
    cards::layOutScreen(this, display_, cards::DisplayAt::Above,
                        {{QStringLiteral("充值金额"), amount_}, {QStringLiteral("付款方式"), method_},
                         {QStringLiteral("赠送金额"), gift_}, {QStringLiteral("备注说明"), remark_}},
                        {QStringLiteral("如果会员卡上金额不足或者需要续卡时在此充值。"),
                         QStringLiteral("你可以选择不同的付款方式进行充值，对于特别的付款方式请说明。")},
                        ok_, back_);

    connect(amount_, &QLineEdit::textChanged, this, [this] { showTyped(false); });
    connect(gift_, &QLineEdit::textChanged, this, [this] { showTyped(true); });
    connect(ok_, &QPushButton::clicked, this, &Tfhycz::confirm);
    connect(back_, &QPushButton::clicked, this, &Tfhycz::back);

    auto* keys = new kit::KeyRouter(this);
    keys->setEnterOrder({amount_, method_, gift_}, ok_);
    keys->onEnter(remark_, ok_);
    keys->bindEscape(back_);
    keys->bindClose(back_);
}

void Tfhycz::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        reset();
}

void Tfhycz::reset()
{
    cards::loadPaymentMethods(desk_.store(), method_);
    amount_->setText(QStringLiteral("0.0"));
    gift_->setText(QStringLiteral("0.0"));
    remark_->clear();
    display_->clear();
    amount_->setFocus(Qt::OtherFocusReason);
}

// The large display repeats the amount typed; once a gift is typed it shows
// amount and gift together.
void Tfhycz::showTyped(bool giftChanged)
{
    if (!giftChanged) {
        if (amount_->text() != QLatin1String("0.0"))
            display_->setText(amount_->text());
        return;
    }
    if (gift_->text() == QLatin1String("0.0"))
        return;
    const auto amount = cards::amountOf(amount_->text());
    const auto gift = cards::amountOf(gift_->text());
    if (amount && gift)
        display_->setText(store::moneyText(*amount + *gift));
}

void Tfhycz::confirm()
{
    if (cards::isZeroAmount(amount_->text()))
        return;
    const auto amount = cards::typedAmount(this, amount_);
    if (!amount)
        return;
    const auto gift = cards::isZeroAmount(gift_->text()) ? Cents(0) : cards::typedAmount(this, gift_);
    if (!gift)
        return;
    const QString card = desk_.cardNumber();
    const QString method = method_->currentText();
    const auto result = cards::runOperation(this, [&] {
        return recharge(cards::opContext(desk_), card, *amount, *gift, method, remark_->text());
    });
    if (!result)
        return;
    desk_.showMember(result->member);

    if (kit::ask(this, QStringLiteral("是否打印充值信息?"))) {
        Receipt r = cards::receiptOf(desk_, ReceiptLayout::Recharge, QStringLiteral("充值收据"), *result);
        r.amountCaption = QStringLiteral("充值金额：");
        r.amountValue = amount_->text().trimmed();
        r.method = method;
        r.giftCaption = QStringLiteral("赠送金额：");
        r.giftValue = gift_->text().trimmed();
        r.balanceCaption = QStringLiteral("当前余额：");
        r.balanceValue = cards::memberMoney(result->member, "金额");
        desk_.printer().print(r);
    }
    accept();
    desk_.reloadJournal();
    desk_.focusCardNumber();
}

void Tfhycz::back()
{
    reject();
    desk_.focusCardNumber();
}

}  // namespace frontdesk
