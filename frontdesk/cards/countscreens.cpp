#include "countscreens.h"

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

namespace {

const QString zero = QStringLiteral("0");

// A count of the member row as number text.
QString usesOf(const QSqlRecord& row)
{
    return QString::number(store::storedCount(cards::memberText(row, "有效次数")));
}

}  // namespace

// ---------------------------------------------------------------------------

Tfckkk::Tfckkk(MemberDesk& desk, QWidget* parent) : QDialog(parent), desk_(desk)
{
    setWindowTitle(QStringLiteral("次卡扣次数"));
    display_ = cards::makeLargeDisplay(this);
    uses_ = new AmountEdit(QStringLiteral("0;(0)"), QStringLiteral("消费次数"), this);
    after_ = cards::makeTextField(QStringLiteral("扣后次数"), true, this);
    remark_ = cards::makeTextField(QStringLiteral("备注说明"), false, this);
    ok_ = cards::makeButton(QStringLiteral("确定"), this);
    back_ = cards::makeButton(QStringLiteral("返回"), this);
    cards::layOutScreen(this, display_, cards::DisplayAt::Beside,
           {{QStringLiteral("消费次数"), uses_}, {QStringLiteral("扣后次数"), after_},
            {QStringLiteral("备注说明"), remark_}},
           {QStringLiteral("在此输入扣款的次数，无需加入负号。")}, ok_, back_);

    connect(uses_, &QLineEdit::textChanged, display_, &QLabel::setText);
    cards::onLeave(uses_, [this] { leaveUses(); });
    connect(ok_, &QPushButton::clicked, this, &Tfckkk::confirm);
    connect(back_, &QPushButton::clicked, this, &Tfckkk::back);

    // 备注说明 is reached by Tab or the mouse, not by Enter.
    auto* keys = new kit::KeyRouter(this);
    keys->setEnterOrder({uses_, after_}, ok_);
    keys->onEnter(uses_, [this, keys] {
        if (uses_->text() != zero)
            keys->focusNext(uses_);
    });
    keys->bindEscape(back_);
    keys->bindClose(back_);
}

void Tfckkk::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        reset();
}

void Tfckkk::reset()
{
    uses_->clear();
    after_->clear();
    remark_->clear();
    display_->clear();
    uses_->setFocus(Qt::OtherFocusReason);
}

// Leaving the count: the uses are read as stored now; more than the card
// holds is refused at once, otherwise the remaining uses are shown.
void Tfckkk::leaveUses()
{
    after_->clear();
    const auto uses = cards::countOf(uses_->text());
    if (!uses)
        return;
    kit::guard(this, [&] {
        const QSqlRecord stored = memberRow(desk_.store(), desk_.cardNumber());
        if (stored.isEmpty())
            return;
        const qint64 left = store::storedCount(cards::memberText(stored, "有效次数"));
        if (*uses <= left)
            after_->setText(QString::number(left - *uses));
        else
            kit::info(this, textNoUses());
    });
}

void Tfckkk::confirm()
{
    if (uses_->text().trimmed().isEmpty() || cards::isZeroCount(uses_->text()))
        return;
    const auto uses = cards::typedCount(this, uses_);
    if (!uses)
        return;
    const QString card = desk_.cardNumber();
    bool refused = false;
    const auto result = cards::runOperation(
        this, [&] { return deductUses(cards::opContext(desk_), card, *uses, remark_->text()); },
        [&](const Refused& refusal) { refused = refusal.reason() == Refused::Reason::Insufficient; });
    if (refused) {
        // More than the card holds: nothing written, the screen closes.
        uses_->setText(zero);
        reject();
        desk_.reloadJournal();
        desk_.focusCardNumber();
        return;
    }
    if (!result)
        return;
    desk_.showMember(result->member);
    after_->setText(usesOf(result->member));

    if (kit::ask(this, QStringLiteral("是否打印消费信息?"))) {
        Receipt r = cards::receiptOf(desk_, ReceiptLayout::Settlement, QStringLiteral("结账单"), *result);
        r.amountCaption = QStringLiteral("消费次数");
        r.amountValue = uses_->text().trimmed();
        r.balanceCaption = QStringLiteral("剩余次数");
        r.balanceValue = after_->text();
        desk_.printer().print(r);
    }
    accept();
    desk_.reloadJournal();
    desk_.focusCardNumber();
}

void Tfckkk::back()
{
    reject();
    desk_.focusCardNumber();
}

// ---------------------------------------------------------------------------

Tfckcz::Tfckcz(MemberDesk& desk, QWidget* parent) : QDialog(parent), desk_(desk)
{
    setWindowTitle(QStringLiteral("次卡充值"));
    display_ = cards::makeLargeDisplay(this);
    uses_ = new AmountEdit(QStringLiteral("0;(0)"), QStringLiteral("充值次数"), this);
    method_ = new QComboBox(this);
    method_->setObjectName(QStringLiteral("付款方式"));
    method_->setEditable(true);
    amount_ = new AmountEdit(QStringLiteral("0;(0)"), QStringLiteral("金额"), this);
    remark_ = cards::makeTextField(QStringLiteral("备注说明"), false, this);
    ok_ = cards::makeButton(QStringLiteral("确定"), this);
    back_ = cards::makeButton(QStringLiteral("返回"), this);
    cards::layOutScreen(this, display_, cards::DisplayAt::Beside,
           {{QStringLiteral("充值次数"), uses_}, {QStringLiteral("付款方式"), method_},
            {QStringLiteral("金额"), amount_}, {QStringLiteral("备注说明"), remark_}},
           {QStringLiteral("如果会员卡上次数不足或者需要续卡时在此充值。"),
            QStringLiteral("你可以选择不同的付款方式进行充值，充值时要输入金额以便统计。")},
           ok_, back_);

    connect(uses_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text != zero)
            display_->setText(text);
    });
    connect(ok_, &QPushButton::clicked, this, &Tfckcz::confirm);
    connect(back_, &QPushButton::clicked, this, &Tfckcz::back);

    auto* keys = new kit::KeyRouter(this);
    keys->setEnterOrder({uses_, method_, amount_}, ok_);
    keys->onEnter(remark_, ok_);
    keys->bindEscape(back_);
    keys->bindClose(back_);
}

void Tfckcz::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        reset();
}

void Tfckcz::reset()
{
    cards::loadPaymentMethods(desk_.store(), method_);
    uses_->setText(zero);
    amount_->setText(zero);
    remark_->clear();
    display_->clear();
    uses_->setFocus(Qt::OtherFocusReason);
}

void Tfckcz::confirm()
{
    // Both the uses and the amount paid are needed: no free top-up.
    if (cards::isZeroCount(uses_->text()) || cards::isZeroAmount(amount_->text()))
        return;
    const auto uses = cards::typedCount(this, uses_);
    if (!uses)
        return;
    const auto amount = cards::typedAmount(this, amount_);
    if (!amount)
        return;
    const QString card = desk_.cardNumber();
    const QString method = method_->currentText();
    const auto result = cards::runOperation(this, [&] {
        return rechargeUses(cards::opContext(desk_), card, *uses, *amount, method, remark_->text());
    });
    if (!result)
        return;
    desk_.showMember(result->member);

    if (kit::ask(this, QStringLiteral("是否打印充值信息?"))) {
        Receipt r = cards::receiptOf(desk_, ReceiptLayout::Recharge, QStringLiteral("充值收据"), *result);
        r.amountCaption = QStringLiteral("充值次数");
        r.amountValue = uses_->text().trimmed();
        r.method = method;
        r.giftCaption = QStringLiteral("充值金额");
        r.giftValue = amount_->text().trimmed();
        r.balanceCaption = QStringLiteral("当前次数");
        r.balanceValue = usesOf(result->member);
        desk_.printer().print(r);
    }
    accept();
    desk_.focusCardNumber();
    desk_.reloadJournal();
}

void Tfckcz::back()
{
    reject();
    desk_.focusCardNumber();
}

// ---------------------------------------------------------------------------

Tfckws::Tfckws(MemberDesk& desk, QWidget* parent) : QDialog(parent), desk_(desk)
{
    setWindowTitle(QStringLiteral("误收操作"));
    uses_ = new AmountEdit(QStringLiteral("0;(0)"), QStringLiteral("多收次数"), this);
    corrected_ = cards::makeTextField(QStringLiteral("修正次数"), true, this);
    bill_ = cards::makeTextField(QStringLiteral("原流水号"), false, this);
    ok_ = cards::makeButton(QStringLiteral("确定"), this);
    back_ = cards::makeButton(QStringLiteral("返回"), this);
    cards::layOutScreen(this, nullptr, cards::DisplayAt::Beside,
           {{QStringLiteral("多收次数"), uses_}, {QStringLiteral("修正次数"), corrected_},
            {QStringLiteral("原流水号"), bill_, QStringLiteral("*原流水号不能为空")}},
           {QStringLiteral("在多收次数中输入多收的次数。"),
            QStringLiteral("在原流水号中输入原账单的流水号，以便进行查询。")},
           ok_, back_);

    cards::onLeave(uses_, [this] { leaveUses(); });
    connect(ok_, &QPushButton::clicked, this, &Tfckws::confirm);
    connect(back_, &QPushButton::clicked, this, &Tfckws::back);

    auto* keys = new kit::KeyRouter(this);
    keys->setEnterOrder({uses_, corrected_, bill_}, ok_);
    keys->onEnter(uses_, [this] {
        if (uses_->text() != zero)
            bill_->setFocus(Qt::TabFocusReason);
    });
    keys->bindEscape(back_);
    keys->bindClose(back_);
}

void Tfckws::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        reset();
}

void Tfckws::reset()
{
    uses_->setText(zero);
    corrected_->clear();
    bill_->clear();
    uses_->setFocus(Qt::OtherFocusReason);
}

// Leaving the count shows the uses the card will hold after the correction.
void Tfckws::leaveUses()
{
    corrected_->clear();
    const auto uses = cards::countOf(uses_->text());
    if (!uses)
        return;
    kit::guard(this, [&] {
        corrected_->setText(QString::number(store::storedCount(cards::memberText(desk_.member(), "有效次数")) + *uses));
    });
}

void Tfckws::confirm()
{
    if (cards::isZeroCount(uses_->text()) || bill_->text().trimmed().isEmpty())
        return;
    const auto uses = cards::typedCount(this, uses_);
    if (!uses)
        return;
    const QString card = desk_.cardNumber();
    const QString bill = bill_->text().trimmed();
    const auto result =
        cards::runOperation(this, [&] { return correctUses(cards::opContext(desk_), card, *uses, bill); });
    if (!result)
        return;
    desk_.showMember(result->member);
    corrected_->setText(usesOf(result->member));
    // The journal shows the new row while the question is asked.
    desk_.reloadJournal();
    desk_.focusCardNumber();

    if (kit::ask(this, QStringLiteral("是否打印补充信息?"))) {
        Receipt r = cards::receiptOf(desk_, ReceiptLayout::Mischarge, QStringLiteral("误收单据"), *result);
        r.amountCaption = QStringLiteral("误收次数");
        r.amountValue = uses_->text().trimmed();
        r.balanceCaption = QStringLiteral("剩余次数");
        r.balanceValue = corrected_->text();
        desk_.printer().print(r);
    }
    accept();
    desk_.reloadJournal();
    desk_.focusCardNumber();
}

void Tfckws::back()
{
    reject();
    desk_.focusCardNumber();
}

}  // namespace frontdesk
