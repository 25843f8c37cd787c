#pragma once
// The signed-in operator: his name and his row of 用户表, from which every
// right is read. The row is the one found at sign-in; only the next
// successful sign-in replaces it.
#include <QSqlRecord>
#include <QString>

#include <optional>

namespace store {
class Store;
}

namespace frontdesk {

class Operator {
public:
    Operator() = default;
    explicit Operator(QSqlRecord row);

    bool valid() const { return !m_row.isEmpty(); }
    // 姓名, trimmed.
    QString name() const { return m_name; }
    QString userName() const;
    const QSqlRecord &row() const { return m_row; }
    // True when the right's column is set; a column the row does not have
    // counts as not held.
    bool holds(const QString &right) const;

private:
    QSqlRecord m_row;
    QString m_name;
};

// The operator whose user name and password these are, or nothing.
std::optional<Operator> checkSignIn(store::Store &s, const QString &userName, const QString &password);

} // namespace frontdesk
