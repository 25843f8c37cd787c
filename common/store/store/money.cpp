#include "store/money.h"

#include "store/errors.h"

#include <QRegularExpression>
#include <cmath>

namespace store {

Cents toCents(double yuan)
{
    return Cents(std::llround(yuan * 100.0));
}

double toYuan(Cents c)
{
    // Division of an exact integer gives the double nearest to the decimal
    // amount, which prints back as that amount.
    return double(c) / 100.0;
}

QString moneyText(Cents c)
{
    const bool negative = c < 0;
    const qint64 a = negative ? -c : c;
    QString s = QString::number(a / 100);
    const qint64 frac = a % 100;
    if (frac != 0) {
        s += QLatin1Char('.') + QStringLiteral("%1").arg(frac, 2, 10, QLatin1Char('0'));
        if (s.endsWith(QLatin1Char('0')))
            s.chop(1);
    }
    return negative ? QLatin1Char('-') + s : s;
}

QString numText(double yuan)
{
    return moneyText(toCents(yuan));
}

Cents storedMoney(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        throw ConversionError(QStringLiteral("“%1”不是有效的数字").arg(t));
    return toCents(d);
}

qint64 storedCount(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const qint64 n = t.toLongLong(&ok);
    if (ok)
        return n;
    // A count column may come back as a REAL text ("3.0").
    const double d = t.toDouble(&ok);
    if (!ok || !std::isfinite(d) || d != std::floor(d))
        throw ConversionError(QStringLiteral("“%1”不是有效的整数").arg(t));
    return qint64(d);
}

Cents parseAmount(const QString &text, const QString &caption)
{
    static const QRegularExpression pattern(QStringLiteral("^\\d{1,10}(\\.\\d{0,2})?$|^\\.\\d{1,2}$"));
    const QString t = text.trimmed();
    if (t.isEmpty())
        throw ConversionError(QStringLiteral("%1不能为空，请输入！").arg(caption));
    if (!pattern.match(t).hasMatch())
        throw ConversionError(
            QStringLiteral("%1“%2”无效：请输入不小于0、最多两位小数的数字！").arg(caption, t));
    const int dot = t.indexOf(QLatin1Char('.'));
    const QString whole = dot < 0 ? t : t.left(dot);
    QString frac = dot < 0 ? QString() : t.mid(dot + 1);
    while (frac.size() < 2)
        frac += QLatin1Char('0');
    return (whole.isEmpty() ? 0 : whole.toLongLong()) * 100 + frac.toLongLong();
}

qint64 parseCount(const QString &text, const QString &caption)
{
    static const QRegularExpression pattern(QStringLiteral("^\\d{1,9}$"));
    const QString t = text.trimmed();
    if (t.isEmpty())
        throw ConversionError(QStringLiteral("%1不能为空，请输入！").arg(caption));
    if (!pattern.match(t).hasMatch())
        throw ConversionError(QStringLiteral("%1“%2”无效：请输入不小于0的整数！").arg(caption, t));
    return t.toLongLong();
}

} // namespace store
