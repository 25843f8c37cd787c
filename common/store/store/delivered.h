#pragma once
// The delivered database set: the tables with the rows a new shop starts with.
#include <QString>

namespace store {

// The operator every new file set holds; he holds every right.
inline constexpr auto deliveredUser = "admin";
inline constexpr auto deliveredPassword = "admin";

// Writes a new file set into folder: schema, the single system-parameter and
// shift-note rows, the built-in operator, cash points and payment methods,
// two sample card types and the ID-number prefixes. Refuses (DbError) a
// folder that already holds any file of the set; nothing is written then.
void makeStore(const QString &folder);

} // namespace store
