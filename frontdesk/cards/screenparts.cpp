#include "screenparts.h"

#include "kit/messages.h"
#include "store/money.h"
#include "store/query.h"
#include "store/store.h"
#include "store/textforms.h"

#include <QComboBox>
#include <QDialog>
#include <QFocusEvent>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QPushButton>
#include <QPointer>
#include <QTimer>

namespace frontdesk::cards {

AmountEdit::AmountEdit(const QString& pattern, const QString& caption, QWidget* parent)
    : kit::MoneyEdit(pattern, parent), caption_(caption)
{
    setObjectName(caption);
}

namespace {

class LeaveWatch : public QObject {
public:
    LeaveWatch(QWidget* field, std::function<void()> action) : QObject(field), action_(std::move(action))
    {
        field->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::FocusOut || running_)
            return false;
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        auto* field = static_cast<QWidget*>(watched);
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason
            || !field->window()->isVisible())
            return false;
        running_ = true;
        action_();
        running_ = false;
        return false;
    }

private:
    std::function<void()> action_;
    bool running_ = false;
};

}  // namespace

void onLeave(QWidget* field, std::function<void()> action)
{
    new LeaveWatch(field, std::move(action));
}

void focusLater(QWidget* field)
{
    QPointer<QWidget> guarded(field);
    QTimer::singleShot(0, field, [guarded] {
        if (guarded && guarded->isVisible())
            guarded->setFocus(Qt::OtherFocusReason);
    });
}

std::optional<Cents> amountOf(const QString& text)
{
    try {
        return store::parseAmount(text, QString());
    } catch (const store::ConversionError&) {
        return std::nullopt;
    }
}

std::optional<qint64> countOf(const QString& text)
{
    try {
        return store::parseCount(text, QString());
    } catch (const store::ConversionError&) {
        return std::nullopt;
    }
}

bool isZeroAmount(const QString& text) { return amountOf(text) == Cents(0); }
bool isZeroCount(const QString& text) { return countOf(text) == qint64(0); }

std::optional<Cents> typedAmount(QWidget* screen, AmountEdit* field)
{
    try {
        return store::parseAmount(field->text(), field->caption());
    } catch (const store::ConversionError& e) {
        kit::info(screen, e.message());
        field->setFocus(Qt::OtherFocusReason);
        return std::nullopt;
    }
}

std::optional<qint64> typedCount(QWidget* screen, AmountEdit* field)
{
    try {
        return store::parseCount(field->text(), field->caption());
    } catch (const store::ConversionError& e) {
        kit::info(screen, e.message());
        field->setFocus(Qt::OtherFocusReason);
        return std::nullopt;
    }
}

OpContext opContext(MemberDesk& desk)
{
    return {desk.store(), desk.operatorName(), desk.cashPoint(), {}};
}

std::optional<OpResult> runOperation(QWidget* screen, const std::function<OpResult()>& operation,
                                     const std::function<void(const Refused&)>& onRefused)
{
    try {
        return operation();
    } catch (const Refused& e) {
        kit::info(screen, e.message());
        if (onRefused)
            onRefused(e);
    } catch (const store::Error& e) {
        // The transaction has been rolled back: nothing of the operation stays.
        kit::info(screen, e.message());
    }
    return std::nullopt;
}

QString memberText(const QSqlRecord& row, const char* column)
{
    return row.value(QString::fromUtf8(column)).toString().trimmed();
}

QString memberMoney(const QSqlRecord& row, const char* column)
{
    return store::moneyText(store::storedMoney(memberText(row, column)));
}

Receipt receiptOf(MemberDesk& desk, ReceiptLayout layout, const QString& title, const OpResult& result)
{
    Receipt r;
    r.layout = layout;
    r.title = title;
    r.header = desk.receiptHeader();
    r.cashier = desk.operatorName();
    r.id = QString::number(result.serial);
    r.time = store::receiptTime(store::nowText());
    r.ownNumber = memberText(result.member, "自编号");
    return r;
}

QStringList paymentMethods(store::Store& store)
{
    store::Query q(store, QStringLiteral("select 付款方式 from 付款方式表 order by id"));
    q.exec();
    QStringList methods;
    for (int i = 0; i < q.size(); ++i)
        methods << q.text(QStringLiteral("付款方式"), i);
    return methods;
}

void loadPaymentMethods(store::Store& store, QComboBox* box)
{
    box->clear();
    kit::guard(box, [&] { box->addItems(paymentMethods(store)); });
    box->setEditText(QStringLiteral("现金"));
}

QLabel* makeLargeDisplay(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("display"));
    QFont f = label->font();
    f.setPointSize(28);
    f.setBold(true);
    label->setFont(f);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(220);
    label->setStyleSheet(QStringLiteral("color: #c00000;"));
    return label;
}

QLabel* makeHint(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QLineEdit* makeTextField(const QString& caption, bool readOnly, QWidget* parent)
{
    auto* f = new QLineEdit(parent);
    f->setObjectName(caption);
    f->setReadOnly(readOnly);
    return f;
}

QPushButton* makeButton(const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(caption);
    return b;
}

void layOutScreen(QDialog* screen, QLabel* display, DisplayAt where, const QList<FormRow>& rows,
                  const QStringList& hints, QPushButton* ok, QPushButton* back)
{
    auto* form = new QFormLayout;
    for (const FormRow& r : rows) {
        if (r.note.isEmpty()) {
            form->addRow(r.caption, r.field);
            continue;
        }
        auto* row = new QHBoxLayout;
        row->addWidget(r.field);
        row->addWidget(new QLabel(r.note, screen));
        form->addRow(r.caption, row);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(back);
    auto* layout = new QVBoxLayout(screen);
    if (!display) {
        layout->addLayout(form);
    } else if (where == DisplayAt::Above) {
        layout->addWidget(display);
        layout->addLayout(form);
    } else {
        auto* top = new QHBoxLayout;
        top->addLayout(form);
        top->addWidget(display);
        layout->addLayout(top);
    }
    for (const QString& h : hints)
        layout->addWidget(makeHint(h, screen));
    layout->addLayout(buttons);
}

}  // namespace frontdesk::cards
