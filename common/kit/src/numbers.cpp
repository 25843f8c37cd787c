#include "kit/numbers.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>

#include <cmath>

namespace kit {

QString numberText(double value)
{
    if (!std::isfinite(value))
        return QString::number(value);
    // Fifteen significant digits are what a double holds reliably; rounding
    // to them first drops the noise of earlier arithmetic (0.30000000000000004).
    double clean = QString::number(value, 'g', 15).toDouble();
    if (clean == 0.0)
        clean = 0.0;  // no "-0"
    return QString::number(clean, 'f', QLocale::FloatingPointShortest);
}

QString cellText(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return numberText(value.toDouble());
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QTime:
        return value.toTime().toString(QStringLiteral("HH:mm:ss"));
    default:
        return value.toString();
    }
}

std::optional<double> cellNumber(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return value.toDouble();
    case QMetaType::Bool:
        return value.toBool() ? 1.0 : 0.0;
    case QMetaType::QString: {
        const QString text = value.toString().trimmed();
        bool ok = false;
        const double d = text.toDouble(&ok);
        if (ok && std::isfinite(d))
            return d;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

void Sum::add(double value)
{
    if (!std::isfinite(value))
        return;
    const QString text = numberText(value);
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        decimals_ = std::min(6, std::max(decimals_, int(text.size() - dot - 1)));
    // Kahan summation keeps long columns exact enough for the final rounding.
    const double y = value - compensation_;
    const double t = sum_ + y;
    compensation_ = (t - sum_) - y;
    sum_ = t;
}

double Sum::total() const
{
    const double scale = std::pow(10.0, decimals_);
    const double rounded = std::round(sum_ * scale) / scale;
    return rounded == 0.0 ? 0.0 : rounded;
}

}  // namespace kit
