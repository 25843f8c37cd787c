// Input fields: money and count fields, digit-only fields, date and time
// pickers.
//
//     auto* amount = new kit::MoneyEdit("0.00");   // two decimals, "0.00" for zero
//     auto* gift   = new kit::MoneyEdit("0.0");    // one decimal
//     auto* uses   = new kit::MoneyEdit("0;(0)");  // whole numbers, negatives as (5)
//     auto* month  = new kit::DigitEdit(2);        // digits only, at most 2
//     auto* from   = new kit::DateEdit;            // shows yyyy-MM-dd
//     auto* at     = new kit::TimeEdit;            // shows HH:mm:ss
//     QString bound = from->text() + " " + at->text();
#pragma once

#include <QDateEdit>
#include <QLineEdit>
#include <QTimeEdit>

#include <optional>

namespace kit {

// A numeric field. The keys "-", "(", ")" and "v" are ignored (also in
// pasted text). When the field is left, a text that reads as a number is
// shown in the field's pattern ("12" becomes "12.00" with "0.00"); any other
// text stays as typed so that the screen can refuse it.
class MoneyEdit : public QLineEdit {
    Q_OBJECT
public:
    // pattern: "0.00", "0.0" or "0;(0)".
    explicit MoneyEdit(const QString& pattern = QStringLiteral("0.00"), QWidget* parent = nullptr);

    QString pattern() const { return pattern_; }
    // Shows `value` in the pattern. Use this rather than setText() for
    // negative values: setText() drops "-", "(" and ")" like typed text.
    void setValue(double value);
    // The value typed, or nothing when the text is empty or not a number.
    // "(5)" reads as -5 for the whole-number pattern.
    std::optional<double> value() const;
    // Shows the current text in the pattern (done on leaving the field).
    void reformat();
    // `value` in `pattern`, e.g. format(0, "0.00") == "0.00", format(-3, "0;(0)") == "(3)".
    static QString format(double value, const QString& pattern);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QString pattern_;
    QValidator* refused_;
};

// A field that takes only the digits 0-9, at most maxLength of them.
class DigitEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DigitEdit(int maxLength, QWidget* parent = nullptr);
};

// A date picker showing yyyy-MM-dd, with a calendar popup.
class DateEdit : public QDateEdit {
    Q_OBJECT
public:
    explicit DateEdit(QWidget* parent = nullptr);
    explicit DateEdit(const QDate& date, QWidget* parent = nullptr);
};

// A time picker showing HH:mm:ss.
class TimeEdit : public QTimeEdit {
    Q_OBJECT
public:
    explicit TimeEdit(QWidget* parent = nullptr);
    explicit TimeEdit(const QTime& time, QWidget* parent = nullptr);
};

}  // namespace kit
