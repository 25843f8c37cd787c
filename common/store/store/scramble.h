#pragma once
// The scrambled form of the dealer's contact lines: each GBK byte of the text
// XORed with a fixed eight-byte key and written as two upper-case hex digits.
#include <QByteArray>
#include <QString>

namespace store {

QByteArray toGbk(const QString &text);
QString fromGbk(const QByteArray &bytes);

// Scramble("abc") is six hex digits.
QString scramble(const QString &plain);
// The stored text is trimmed first; a trailing odd character is ignored; a
// text that is not hex pairs throws ConversionError.
QString unscramble(const QString &scrambled);

} // namespace store
