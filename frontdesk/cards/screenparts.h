// Pieces the card-operation screens share: the amount field, the watch on
// leaving a field, reading typed amounts and counts, running an operation,
// and the parts of a receipt that every operation fills alike.
#pragma once

#include "cardops.h"
#include "desk.h"
#include "receipt.h"

#include "kit/fields.h"

#include <QSqlRecord>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace frontdesk::cards {

// A money or count field that knows the caption its messages name it by. Like
// every kit::MoneyEdit it shows its pattern on leaving only when that keeps
// the amount typed, so the screen reads (and refuses) what the cashier typed.
class AmountEdit : public kit::MoneyEdit {
    Q_OBJECT
public:
    AmountEdit(const QString& pattern, const QString& caption, QWidget* parent = nullptr);
    // The caption the messages name the field by ("充值金额").
    QString caption() const { return caption_; }

private:
    QString caption_;
};

// Runs `action` each time `field` hands the focus to another control of its
// window, before the field tidies its text. Losing the focus because another
// window (a message box) became active does not count.
void onLeave(QWidget* field, std::function<void()> action);


// Puts the focus into `field` once the current focus change is over.
void focusLater(QWidget* field);

// True when the text reads as an amount (or count) of zero: "0", "0.0", "0.00".
bool isZeroAmount(const QString& text);
bool isZeroCount(const QString& text);

// The amount or count typed into a field. A text that is empty, not a
// number, negative, or has more than two decimals (a count: not a whole
// number) is refused: the message is shown, the focus goes back into the
// field and nothing is returned.
std::optional<Cents> typedAmount(QWidget* screen, AmountEdit* field);
std::optional<qint64> typedCount(QWidget* screen, AmountEdit* field);
// The same without messages (for the displays that follow the typing).
std::optional<Cents> amountOf(const QString& text);
std::optional<qint64> countOf(const QString& text);

// Who writes, taken from the member screen.
OpContext opContext(MemberDesk& desk);

// Runs one operation. A refusal decided inside it, a database error or a
// stored text that is not a number is shown as a message; then onRefused (for
// refusals) runs and nothing is returned.
std::optional<OpResult> runOperation(QWidget* screen, const std::function<OpResult()>& operation,
                                     const std::function<void(const Refused&)>& onRefused = {});

// A column of a member row as trimmed text (empty when the row lacks it).
QString memberText(const QSqlRecord& row, const char* column);
// A money column of a member row as number text ("170", "0.3").
QString memberMoney(const QSqlRecord& row, const char* column);

// A receipt with the shop's header, the cashier, the serial number of the
// journal row, the time and the own number of the card already filled.
Receipt receiptOf(MemberDesk& desk, ReceiptLayout layout, const QString& title, const OpResult& result);

// The payment methods of 付款方式表 in table order.
QStringList paymentMethods(store::Store& store);
// Fills an editable payment drop-down and sets its text to "现金".
void loadPaymentMethods(store::Store& store, QComboBox* box);

// The large display beside the fields that repeats the amount being typed.
QLabel* makeLargeDisplay(QWidget* parent);
// A hint line under the title.
QLabel* makeHint(const QString& text, QWidget* parent);

// A plain text field and a push button, named by their captions so tests can
// find them.
QLineEdit* makeTextField(const QString& caption, bool readOnly, QWidget* parent);
QPushButton* makeButton(const QString& caption, QWidget* parent);

// One captioned row of a screen's form; `note` stands beside the field.
struct FormRow {
    QString caption;
    QWidget* field;
    QString note = {};
};
// Where the large display stands: above the fields (money screens) or
// beside them (count screens, in large digits).
enum class DisplayAt { Above, Beside };

// The frame of a card-operation screen: the large display (if any), the captioned
// fields, the hint lines and the 确定 / 返回 buttons.
void layOutScreen(QDialog* screen, QLabel* display, DisplayAt where, const QList<FormRow>& rows,
                  const QStringList& hints, QPushButton* ok, QPushButton* back);

}  // namespace frontdesk::cards
