#pragma once
// The text forms in which dates, times and numbers are written into the
// database, onto the screens and onto receipts: yyyy-MM-dd HH:mm:ss throughout.
#include <QDate>
#include <QDateTime>
#include <QString>

namespace store {

inline constexpr auto dateTimeFormat = "yyyy-MM-dd HH:mm:ss";
inline constexpr auto dateFormat = "yyyy-MM-dd";
inline constexpr auto timeFormat = "HH:mm:ss";

// The current date-time text, "2009-09-09 08:00:00".
QString nowText();
QString dateTimeText(const QDateTime &t);
// Today, "2009-09-09".
QString todayText();
// The 16 characters a receipt shows of a date-time text: "2009-09-09 08:00".
QString receiptTime(const QString &dateTimeText);
// The date in export file names, "09-09-09".
QString fileDateText(const QDate &d = QDate::currentDate());
// The weekday name shown beside the clock, "星期三".
QString weekdayText(const QDate &d);

// Shift start: the given day + " " + the business hour ("08:00") + ":00".
QString shiftStart(const QString &businessHour, const QDate &day = QDate::currentDate());
// True when the business hour text is a valid hh:mm time.
bool isBusinessHour(const QString &text);

} // namespace store
