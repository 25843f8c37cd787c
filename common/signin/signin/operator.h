#pragma once
// The signed-in operator: his row of 用户表 as it stood at sign-in, and the
// right check every gate of both programs asks.
//
//     if (!signin::gate(this, session.current, "会员卡充值",
//                       "对不起，您没有充值的权限，请联系管理员！！"))
//         return;
//
// The row is read once and kept; rights saved on the operator screen reach
// a running program only at its next sign-in.
#include <QMetaType>
#include <QSqlRecord>
#include <QString>

#include <optional>

class QWidget;

namespace store {
class Store;
}

namespace signin {

class Operator {
public:
    // No one signed in: every right check throws.
    Operator() = default;
    explicit Operator(QSqlRecord row);

    // The operator whose 用户名 is userName exactly (no trimming), or nothing.
    static std::optional<Operator> load(store::Store &store, const QString &userName);

    bool isNull() const { return m_row.isEmpty(); }
    // 用户名 as stored.
    QString userName() const;
    // 姓名, trimmed: the current operator's name on screens and in the log.
    QString name() const;
    // True when the column named right holds a non-zero value. A name that is
    // no column of the row throws store::DbError: a misspelt right must not
    // quietly read as "not held".
    bool holds(const QString &right) const;
    bool disabled() const;
    bool builtIn() const;

    const QSqlRecord &row() const { return m_row; }

private:
    QSqlRecord m_row;
};

// What the screens of one program share about the person at the keyboard:
// the store, the operator signed in, and the workstation name written as the
// computer of operation-log rows ("前台收银" or "财务室").
struct Session {
    store::Store &store;
    Operator current;
    QString computer;
};

// The gate of one operation: true when the operator holds right. Otherwise
// shows denial through the message seam (nothing when denial is empty) and
// returns false.
bool gate(QWidget *parent, const Operator &op, const QString &right, const QString &denial = {});

} // namespace signin

Q_DECLARE_METATYPE(signin::Operator)
