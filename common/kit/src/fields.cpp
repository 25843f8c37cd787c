#include "kit/fields.h"

#include "kit/numbers.h"

#include <QKeyEvent>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include <cmath>

namespace kit {

namespace {

bool isRefusedCharacter(QChar c)
{
    return c == QLatin1Char('-') || c == QLatin1Char('(') || c == QLatin1Char(')')
        || c == QLatin1Char('v');
}

// A validator that only strips the refused characters: pasted text loses
// them the same way typed text does.
class RefusedCharacters : public QValidator {
public:
    using QValidator::QValidator;
    bool bypass = false;  // set while the field shows a value of its own
    State validate(QString& input, int& pos) const override
    {
        if (bypass)
            return Acceptable;
        QString kept;
        int newPos = pos;
        for (int i = 0; i < input.size(); ++i) {
            if (isRefusedCharacter(input[i])) {
                if (i < pos)
                    --newPos;
                continue;
            }
            kept.append(input[i]);
        }
        input = kept;
        pos = newPos;
        return Acceptable;
    }
};

}  // namespace

MoneyEdit::MoneyEdit(const QString& pattern, QWidget* parent) : QLineEdit(parent), pattern_(pattern)
{
    Q_ASSERT(pattern == QLatin1String("0.00") || pattern == QLatin1String("0.0")
             || pattern == QLatin1String("0;(0)"));
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    refused_ = new RefusedCharacters(this);
    setValidator(refused_);
}

QString MoneyEdit::format(double value, const QString& pattern)
{
    if (pattern == QLatin1String("0;(0)")) {
        const qint64 whole = qint64(std::llround(value));
        return whole < 0 ? QStringLiteral("(%1)").arg(-whole) : QString::number(whole);
    }
    const int decimals = pattern == QLatin1String("0.0") ? 1 : 2;
    QString text = QString::number(value, 'f', decimals);
    if (text.startsWith(QLatin1Char('-')) && text.mid(1).toDouble() == 0.0)
        text.remove(0, 1);
    return text;
}

void MoneyEdit::setValue(double value)
{
    auto* refused = static_cast<RefusedCharacters*>(refused_);
    refused->bypass = true;
    setText(format(value, pattern_));
    refused->bypass = false;
}

std::optional<double> MoneyEdit::value() const
{
    QString t = text().trimmed();
    bool negative = false;
    if (t.startsWith(QLatin1Char('(')) && t.endsWith(QLatin1Char(')'))) {
        negative = true;
        t = t.mid(1, t.size() - 2).trimmed();
    }
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return negative ? -d : d;
}

void MoneyEdit::reformat()
{
    // Show the field's pattern only when that keeps the amount: "12.25" in a
    // one-decimal field stays as typed rather than silently becoming 12.2.
    const auto v = value();
    if (!v)
        return;
    const QString shown = format(*v, pattern_);
    const QString bare = shown.startsWith(QLatin1Char('(')) ? QLatin1Char('-') + shown.mid(1).chopped(1) : shown;
    if (bare.toDouble() == *v)
        setValue(*v);
}

void MoneyEdit::keyPressEvent(QKeyEvent* event)
{
    const QString typed = event->text();
    if (typed.size() == 1 && isRefusedCharacter(typed[0]) && !(event->modifiers() & Qt::ControlModifier)) {
        event->accept();  // swallowed: the field does not take these keys
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void MoneyEdit::focusOutEvent(QFocusEvent* event)
{
    reformat();
    QLineEdit::focusOutEvent(event);
}

DigitEdit::DigitEdit(int maxLength, QWidget* parent) : QLineEdit(parent)
{
    setMaxLength(maxLength);
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
}

DateEdit::DateEdit(QWidget* parent) : DateEdit(QDate::currentDate(), parent) {}

DateEdit::DateEdit(const QDate& date, QWidget* parent) : QDateEdit(date, parent)
{
    setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    setCalendarPopup(true);
}

TimeEdit::TimeEdit(QWidget* parent) : TimeEdit(QTime::currentTime(), parent) {}

TimeEdit::TimeEdit(const QTime& time, QWidget* parent) : QTimeEdit(time, parent)
{
    setDisplayFormat(QStringLiteral("HH:mm:ss"));
}

}  // namespace kit
