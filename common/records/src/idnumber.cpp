#include "records/idnumber.h"

#include "kit/messages.h"
#include "store/query.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QValidator>

namespace records {

QString textIdLength() { return QStringLiteral("身份证号码必须为15位或者18位，请确认！"); }

std::optional<IdNumberParts> splitIdNumber(const QString& text)
{
    const QString t = text.trimmed();
    // Positions counted from 0: the birthday starts after the six-digit area
    // code and the year (two digits in the old 15-character form, four in the
    // 18-character form).
    if (t.size() == 15)
        return IdNumberParts{t.left(6), t.mid(8, 2), t.mid(10, 2)};
    if (t.size() == 18)
        return IdNumberParts{t.left(6), t.mid(10, 2), t.mid(12, 2)};
    return std::nullopt;
}

std::optional<QString> areaName(store::Store& store, const QString& areaCode)
{
    store::Query q(store, QStringLiteral("select 地名 from 身份证字头表 where 字头=:zt"));
    q.bind(QStringLiteral(":zt"), areaCode).exec();
    if (q.empty())
        return std::nullopt;
    return q.text(QStringLiteral("地名"));
}

namespace {

// Pasted or dropped text keeps only digits and X/x, and at most 18 digits,
// the way typing would have built it.
class IdCharacters : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override
    {
        QString kept;
        int newPos = pos;
        int digits = 0;
        for (int i = 0; i < input.size(); ++i) {
            const QChar c = input[i];
            const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
            const bool x = c == QLatin1Char('X') || c == QLatin1Char('x');
            if ((digit && digits < 18) || x) {
                kept.append(c);
                if (digit)
                    ++digits;
            } else if (i < pos) {
                --newPos;
            }
        }
        input = kept;
        pos = newPos;
        return Acceptable;
    }
};

}  // namespace

IdNumberEdit::IdNumberEdit(QWidget* parent) : QLineEdit(parent)
{
    setValidator(new IdCharacters(this));
}

void IdNumberEdit::keyPressEvent(QKeyEvent* event)
{
    const QString typed = event->text();
    const bool character = typed.size() == 1 && typed[0].isPrint()
                           && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (character) {
        const QChar c = typed[0];
        const bool x = c == QLatin1Char('X') || c == QLatin1Char('x');
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (!x && !(digit && text().trimmed().size() < 18)) {
            event->accept();  // ignored: the field does not take this character
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

IdNumberEntry::IdNumberEntry(store::Store& store, QLineEdit* idNumber, QLineEdit* address,
                             QComboBox* month, QComboBox* day, QWidget* screen)
    : QObject(screen), store_(store), idNumber_(idNumber), address_(address), month_(month),
      day_(day), screen_(screen)
{
}

void IdNumberEntry::enter()
{
    const QString text = idNumber_->text().trimmed();
    if (!text.isEmpty()) {
        const std::optional<IdNumberParts> parts = splitIdNumber(text);
        if (!parts) {
            kit::info(screen_, textIdLength());
            idNumber_->setFocus(Qt::OtherFocusReason);
            return;
        }
        if (const std::optional<QString> place = areaName(store_, parts->areaCode))
            address_->setText(*place);
        // The drop-downs take the texts as they stand in the number, whether
        // or not their lists hold them.
        month_->setEditText(parts->month);
        day_->setEditText(parts->day);
    }
    month_->setFocus(Qt::OtherFocusReason);
}

}  // namespace records
