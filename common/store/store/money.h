#pragma once
// Money and counts. Amounts are yuan with at most two decimals; arithmetic is
// done in whole cents so that no floating-point noise ever reaches the screen,
// the database or a receipt (0.1 + 0.2 is 0.3).
#include <QString>
#include <QVariant>

namespace store {

using Cents = qint64;

// Nearest whole cents of a yuan value as stored in a REAL column.
Cents toCents(double yuan);
// The value to store in a REAL column.
double toYuan(Cents c);

// Number text: the shortest text of an amount, "." as decimal separator, no
// thousands separator, no trailing zeros: 100, 12.5, 0, -30.
QString moneyText(Cents c);
// Number text of a stored value (rounded to cents first).
QString numText(double yuan);

// A stored money column read as text: empty reads as 0; anything else that is
// not a number throws ConversionError.
Cents storedMoney(const QString &text);
// A stored count column read as text: empty reads as 0.
qint64 storedCount(const QString &text);

// An amount typed by the user. Refuses (ConversionError, naming the field's
// caption) an empty text, anything that is not a number, a negative number
// and more than two decimals.
Cents parseAmount(const QString &text, const QString &caption);
// A count typed by the user: a non-negative whole number.
qint64 parseCount(const QString &text, const QString &caption);

} // namespace store
