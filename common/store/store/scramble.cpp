#include "store/scramble.h"

#include "store/errors.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace store {

namespace {

// The key shared by both programs.
constexpr unsigned char key[8] = {0x5A, 0xC3, 0x17, 0x9E, 0x62, 0x0B, 0xD4, 0x38};

QByteArray convert(const QByteArray &in, const char *to, const char *from, char replacement)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        throw ConversionError(QStringLiteral("系统不支持 %1 编码").arg(QLatin1String(to)));
    QByteArray out;
    char buf[256];
    char *src = const_cast<char *>(in.constData());
    size_t left = size_t(in.size());
    while (left > 0) {
        char *dst = buf;
        size_t room = sizeof buf;
        const size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buf, int(dst - buf));
        if (r == size_t(-1) && errno != E2BIG) {
            // A character the target cannot hold: write a stand-in and skip one
            // input unit (a UTF-8 sequence, or one GBK byte).
            out.append(replacement);
            size_t skip = 1;
            if (qstrcmp(from, "UTF-8") == 0)
                while (skip < left && (uchar(src[skip]) & 0xC0) == 0x80)
                    ++skip;
            src += skip;
            left -= skip;
        }
    }
    iconv_close(cd);
    return out;
}

} // namespace

QByteArray toGbk(const QString &text)
{
    return convert(text.toUtf8(), "GBK", "UTF-8", '?');
}

QString fromGbk(const QByteArray &bytes)
{
    return QString::fromUtf8(convert(bytes, "UTF-8", "GBK", '?'));
}

QString scramble(const QString &plain)
{
    const QByteArray bytes = toGbk(plain);
    QString out;
    out.reserve(bytes.size() * 2);
    for (int i = 0; i < bytes.size(); ++i) {
        const uchar b = uchar(bytes.at(i)) ^ key[i % 8];
        out += QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

QString unscramble(const QString &scrambled)
{
    const QString t = scrambled.trimmed();
    const int n = int(t.size() / 2);
    QByteArray bytes;
    bytes.reserve(n);
    for (int i = 0; i < n; ++i) {
        const QString pair = t.mid(2 * i, 2);
        const bool hex = std::all_of(pair.begin(), pair.end(), [](QChar c) {
            return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'));
        });
        if (!hex)
            throw ConversionError(QStringLiteral("“%1”不是有效的十六进制数").arg(pair));
        bytes.append(char(uchar(pair.toUInt(nullptr, 16)) ^ key[i % 8]));
    }
    return fromGbk(bytes);
}

} // namespace store
