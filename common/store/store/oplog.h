#pragma once
// The operation log: one row per sensitive change, with event type,
// description, operator and workstation; the time is stamped by the database.
#include <QString>

namespace store {

class Store;

inline const QString eventSevere = QStringLiteral("严重警告");
inline const QString eventRoutine = QStringLiteral("常规操作");

// A row with an event type ("严重警告" or "常规操作").
void writeLog(Store &store, const QString &eventType, const QString &description,
              const QString &user, const QString &computer);
// A row without event type (left empty).
void writeLog(Store &store, const QString &description, const QString &user,
              const QString &computer);

} // namespace store
