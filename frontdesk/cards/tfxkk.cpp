#include "tfxkk.h"

#include "screenparts.h"

#include "kit/fields.h"
#include "kit/keys.h"
#include "kit/messages.h"
#include "records/idnumber.h"
#include "store/money.h"
#include "store/query.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace frontdesk {

using cards::AmountEdit;

namespace {

QLineEdit* textField(const QString& caption, QWidget* parent)
{
    auto* f = new QLineEdit(parent);
    f->setObjectName(caption);
    return f;
}

QComboBox* choice(const QString& caption, bool editable, QWidget* parent)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(caption);
    c->setEditable(editable);
    return c;
}

}  // namespace

Tfxkk::Tfxkk(MemberDesk& desk, QWidget* parent) : QDialog(parent), desk_(desk)
{
    setWindowTitle(QStringLiteral("新开卡"));

    type_ = choice(QStringLiteral("会员类型"), false, this);
    expiry_ = textField(QStringLiteral("有效时间"), this);
    expiry_->setReadOnly(true);
    name_ = textField(QStringLiteral("客人姓名"), this);
    sex_ = choice(QStringLiteral("性别"), false, this);
    sex_->addItems({QStringLiteral("男"), QStringLiteral("女")});
    own_ = textField(QStringLiteral("卡自编号"), this);
    method_ = choice(QStringLiteral("充值付款方式"), true, this);
    amount_ = new AmountEdit(QStringLiteral("0;(0)"), QStringLiteral("充值金额"), this);
    gift_ = new AmountEdit(QStringLiteral("0;(0)"), QStringLiteral("赠送金额"), this);
    cardAmount_ = textField(QStringLiteral("卡上金额"), this);
    cardAmount_->setReadOnly(true);
    uses_ = new AmountEdit(QStringLiteral("0;(0)"), QStringLiteral("有效次数"), this);
    mobile_ = new kit::DigitEdit(11, this);
    mobile_->setObjectName(QStringLiteral("手机号码"));
    idNumber_ = new records::IdNumberEdit(this);
    idNumber_->setObjectName(QStringLiteral("身份证号码"));
    month_ = choice(QStringLiteral("生日月份"), true, this);
    day_ = choice(QStringLiteral("生日日期"), true, this);
    for (int m = 1; m <= 12; ++m)
        month_->addItem(QStringLiteral("%1").arg(m, 2, 10, QLatin1Char('0')));
    for (int d = 1; d <= 31; ++d)
        day_->addItem(QStringLiteral("%1").arg(d, 2, 10, QLatin1Char('0')));
    verification_ = choice(QStringLiteral("验证方式"), false, this);
    verification_->addItems({QStringLiteral("无需验证"), QStringLiteral("密码验证"), QStringLiteral("指纹验证")});
    sms_ = new QCheckBox(QStringLiteral("定阅短信"), this);
    sms_->setObjectName(QStringLiteral("定阅短信"));
    company_ = textField(QStringLiteral("客户公司"), this);
    phone_ = textField(QStringLiteral("公司电话"), this);
    address_ = textField(QStringLiteral("通讯地址"), this);
    remark_ = textField(QStringLiteral("说明备注"), this);
    ok_ = new QPushButton(QStringLiteral("确定(F1)"), this);
    ok_->setObjectName(QStringLiteral("确定"));
    back_ = new QPushButton(QStringLiteral("返回"), this);
    back_->setObjectName(QStringLiteral("返回"));

    // Two columns of captioned fields.
    auto* grid = new QGridLayout;
    int row = 0, column = 0;
    auto add = [&](const QString& caption, QWidget* w) {
        grid->addWidget(new QLabel(caption, this), row, column * 2);
        grid->addWidget(w, row, column * 2 + 1);
        if (++column == 2) {
            column = 0;
            ++row;
        }
    };
    auto* birthday = new QHBoxLayout;
    birthday->addWidget(month_);
    birthday->addWidget(new QLabel(QStringLiteral("月"), this));
    birthday->addWidget(day_);
    auto* birthdayBox = new QWidget(this);
    birthdayBox->setLayout(birthday);
    birthday->setContentsMargins(0, 0, 0, 0);
    add(QStringLiteral("会员类型"), type_);
    add(QStringLiteral("有效时间"), expiry_);
    add(QStringLiteral("客人姓名"), name_);
    add(QString(), sex_);
    add(QStringLiteral("卡自编号"), own_);
    add(QStringLiteral("充值付款方式"), method_);
    add(QStringLiteral("充值金额"), amount_);
    add(QStringLiteral("赠送金额"), gift_);
    add(QStringLiteral("卡上金额"), cardAmount_);
    add(QStringLiteral("有效次数"), uses_);
    add(QStringLiteral("手机号码"), mobile_);
    add(QStringLiteral("身份证号码"), idNumber_);
    add(QStringLiteral("会员生日"), birthdayBox);
    add(QStringLiteral("验证方式"), verification_);
    add(QStringLiteral("其他属性"), sms_);
    add(QStringLiteral("客户公司"), company_);
    add(QStringLiteral("公司电话"), phone_);
    add(QStringLiteral("通讯地址"), address_);
    add(QStringLiteral("说明备注"), remark_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(back_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(cards::makeHint(
        QStringLiteral("为保证客户资料的完整性，请尽量输入客户的姓名、电话以方便进行挂失等操作"), this));
    layout->addLayout(grid);
    layout->addLayout(buttons);

    const QList<QWidget*> order{type_, name_, sex_, own_, method_, amount_, gift_, uses_, mobile_, idNumber_,
                                month_, day_, verification_, sms_, company_, phone_, address_, remark_};
    for (int i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);

    connect(type_, &QComboBox::currentIndexChanged, this, [this] { chooseCardType(); });
    cards::onLeave(amount_, [this] { showCardAmount(); });
    cards::onLeave(gift_, [this] { showCardAmount(); });
    connect(ok_, &QPushButton::clicked, this, &Tfxkk::confirm);
    connect(back_, &QPushButton::clicked, this, &Tfxkk::back);

    auto* idEntry = new records::IdNumberEntry(desk_.store(), idNumber_, address_, month_, day_, this);
    auto* keys = new kit::KeyRouter(this);
    keys->setEnterOrder(order, ok_);
    keys->onEnter(idNumber_, [idEntry] { idEntry->enter(); });
    keys->bindKey(Qt::Key_F1, ok_);
    keys->bindEscape(back_);
    keys->bindClose(back_);

    gift_->setEnabled(true);
    uses_->setEnabled(false);
}

void Tfxkk::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        reset();
}

void Tfxkk::reset()
{
    // The sex keeps the last choice and 有效时间 the last card type's expiry
    // until a card type is chosen; everything else starts empty.
    for (QLineEdit* f : {name_, own_, cardAmount_, mobile_, static_cast<QLineEdit*>(idNumber_), company_, phone_,
                         address_, remark_})
        f->clear();
    for (AmountEdit* f : {amount_, gift_, uses_})
        f->setText(QStringLiteral("0"));
    month_->setEditText(QString());
    day_->setEditText(QString());
    sms_->setChecked(false);
    verification_->setCurrentIndex(0);

    {
        const QSignalBlocker quiet(type_);
        type_->clear();
        kit::guard(this, [&] {
            store::Query q(desk_.store(), QStringLiteral("select 卡名称 from 会员类型表 order by id"));
            q.exec();
            for (int i = 0; i < q.size(); ++i)
                type_->addItem(q.text(QStringLiteral("卡名称"), i));
        });
        type_->setCurrentIndex(-1);
    }
    cards::loadPaymentMethods(desk_.store(), method_);
    countCard_ = false;
    gift_->setEnabled(true);
    uses_->setEnabled(false);
    type_->setFocus(Qt::OtherFocusReason);
}

// A card type decides the expiry, the verification preset and the kind of
// card; the amount fields of the other kind are disabled but keep their text.
void Tfxkk::chooseCardType()
{
    if (type_->currentIndex() < 0)
        return;
    kit::guard(this, [&] {
        store::Query q(desk_.store(),
                       QStringLiteral("select 有效结束时间,是记次卡,验证方式 from 会员类型表 where 卡名称=:kmc"));
        q.bind(QStringLiteral(":kmc"), type_->currentText()).exec();
        if (q.empty())
            return;
        expiry_->setText(q.text(QStringLiteral("有效结束时间")));
        verification_->setCurrentIndex(verification_->findText(q.text(QStringLiteral("验证方式"))));
        countCard_ = store::fieldTrue(q.row(), QStringLiteral("是记次卡"));
        uses_->setEnabled(countCard_);
        gift_->setEnabled(!countCard_);
    });
}

// 卡上金额 shows the card amount, 充值金额 + 赠送金额, whichever of the two
// was left last.
void Tfxkk::showCardAmount()
{
    const auto amount = cards::amountOf(amount_->text());
    const auto gift = cards::amountOf(gift_->text());
    if (amount && gift)
        cardAmount_->setText(store::moneyText(*amount + *gift));
    else
        cardAmount_->setText(amount_->text().trimmed());
}

void Tfxkk::confirm()
{
    // The member screen opens this screen only for an operator who may issue
    // cards; without the right nothing is written, whoever opened it.
    if (!desk_.holds(QStringLiteral("会员卡发行")))
        return;
    if (type_->currentIndex() < 0) {
        kit::info(this, QStringLiteral("请选择卡类型！"));
        type_->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (name_->text().trimmed().isEmpty() || own_->text().trimmed().isEmpty()) {
        kit::info(this, QStringLiteral("自编号和姓名不能为空！"));
        name_->setFocus(Qt::OtherFocusReason);
        return;
    }
    const auto amount = cards::typedAmount(this, amount_);
    if (!amount)
        return;
    const auto gift = cards::typedAmount(this, gift_);
    if (!gift)
        return;
    const auto uses = cards::typedCount(this, uses_);
    if (!uses)
        return;
    const QString card = desk_.cardNumber();
    if (card.trimmed().isEmpty()) {
        kit::info(this, QStringLiteral("卡号不能为空，请在卡号栏输入新卡的卡号！"));
        return;
    }
    const Cents cardAmount = *amount + *gift;
    cardAmount_->setText(store::moneyText(cardAmount));

    NewCard c;
    c.card = card;
    c.cardType = type_->currentText();
    c.countCard = countCard_;
    c.expiry = expiry_->text();
    c.name = name_->text();
    c.sex = sex_->currentText();
    c.ownNumber = own_->text();
    c.method = method_->currentText();
    c.amount = *amount;
    c.gift = *gift;
    c.uses = *uses;
    c.mobile = mobile_->text();
    c.idNumber = idNumber_->text();
    c.birthMonth = month_->currentText();
    c.birthDay = day_->currentText();
    c.verification = verification_->currentText();
    c.sms = sms_->isChecked();
    c.company = company_->text();
    c.phone = phone_->text();
    c.address = address_->text();
    c.remark = remark_->text();

    const auto result = cards::runOperation(this, [&] { return issueCard(cards::opContext(desk_), c); },
                                            [this](const Refused& refusal) {
                                                if (refusal.reason() == Refused::Reason::DuplicateOwnNumber)
                                                    own_->setFocus(Qt::OtherFocusReason);
                                            });
    if (!result)
        return;
    desk_.showMember(result->member);

    if (kit::ask(this, QStringLiteral("是否打印开卡信息?"))) {
        Receipt r = cards::receiptOf(desk_, ReceiptLayout::Recharge, QStringLiteral("新开卡单据"), *result);
        r.method = c.method;
        if (store::fieldTrue(result->member, QStringLiteral("是记次卡"))) {
            r.amountCaption = QStringLiteral("充值次数");
            r.amountValue = uses_->text().trimmed();
            r.giftCaption = QStringLiteral("充值金额");
            r.giftValue = amount_->text().trimmed();
            r.balanceCaption = QStringLiteral("当前次数");
            r.balanceValue = uses_->text().trimmed();
        } else {
            r.amountCaption = QStringLiteral("充值金额：");
            r.amountValue = amount_->text().trimmed();
            r.giftCaption = QStringLiteral("赠送金额：");
            r.giftValue = gift_->text().trimmed();
            r.balanceCaption = QStringLiteral("当前余额：");
            r.balanceValue = store::moneyText(cardAmount);
        }
        desk_.printer().print(r);
    }
    accept();
    desk_.focusCardNumber();
    desk_.reloadJournal();
}

void Tfxkk::back()
{
    reject();
    desk_.focusCardNumber();
}

}  // namespace frontdesk
