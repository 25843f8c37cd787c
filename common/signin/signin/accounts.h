#pragma once
// The changes of the operator screen, without widgets: list, add, modify,
// delete and save rights. Each change is one transaction with its
// operation-log row, written as the session's operator at its workstation.
#include "signin/operator.h"

#include <QHash>
#include <QList>
#include <QSqlRecord>
#include <QString>
#include <QStringList>

#include <optional>

namespace signin {

// Every right the operator screen shows and saves, in save order: the two
// columns of the screen, then the rights that only the third group edits.
const QStringList &editedRights();

// One row per operator: id, 用户名, 姓名, 系统内定.
QList<QSqlRecord> listOperators(store::Store &store);

enum class Change {
    Done,
    Duplicate,   // add: the user name is taken
    Missing,     // the operator is no longer there (deleted at another workstation)
    BuiltIn,     // delete: a built-in operator
    SelfDisable, // save rights: the signed-in operator would disable himself
};

// Adds an operator who holds no right; the password is stored as a hash.
Change addOperator(Session &session, const QString &name, const QString &userName, const QString &password);

// Changes 姓名, and the password when one is given (nothing keeps it).
Change modifyOperator(Session &session, const QString &userName, const QString &name,
                      const std::optional<QString> &password);

Change deleteOperator(Session &session, const QString &userName);

// Writes the given rights (each a name of editedRights()) and 停用, with the
// change stamps. A name outside editedRights() throws store::Error.
Change saveRights(Session &session, const QString &userName, const QHash<QString, bool> &rights, bool disabled);

} // namespace signin
