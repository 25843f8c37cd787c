#include "store/textforms.h"

#include <QTime>

namespace store {

QString dateTimeText(const QDateTime &t)
{
    return t.toString(QLatin1String(dateTimeFormat));
}

QString nowText()
{
    return dateTimeText(QDateTime::currentDateTime());
}

QString todayText()
{
    return nowText().left(10);
}

QString receiptTime(const QString &text)
{
    return text.trimmed().left(16);
}

QString fileDateText(const QDate &d)
{
    return d.toString(QStringLiteral("yy-MM-dd"));
}

QString weekdayText(const QDate &d)
{
    static const char *const names[] = {"星期一", "星期二", "星期三", "星期四",
                                        "星期五", "星期六", "星期日"};
    const int n = d.dayOfWeek();
    return n >= 1 && n <= 7 ? QString::fromUtf8(names[n - 1]) : QString();
}

QString shiftStart(const QString &businessHour, const QDate &day)
{
    return day.toString(QLatin1String(dateFormat)) + QLatin1Char(' ') + businessHour.trimmed()
        + QStringLiteral(":00");
}

bool isBusinessHour(const QString &text)
{
    return QTime::fromString(text.trimmed(), QStringLiteral("HH:mm")).isValid();
}

} // namespace store
