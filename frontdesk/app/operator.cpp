#include "operator.h"

#include "store/password.h"
#include "store/query.h"

namespace frontdesk {

Operator::Operator(QSqlRecord row) : m_row(std::move(row))
{
    if (m_row.contains(QStringLiteral("姓名")))
        m_name = m_row.value(QStringLiteral("姓名")).toString().trimmed();
}

QString Operator::userName() const
{
    return m_row.value(QStringLiteral("用户名")).toString();
}

bool Operator::holds(const QString &right) const
{
    return m_row.contains(right) && store::isTrue(m_row.value(right));
}

std::optional<Operator> checkSignIn(store::Store &s, const QString &userName, const QString &password)
{
    store::Query q(s, QStringLiteral("select * from 用户表 where 用户名=:yhm"));
    q.bind(QStringLiteral(":yhm"), userName).exec();
    if (q.empty() || !store::verifyPassword(q.row().value(QStringLiteral("口令")).toString(), password))
        return std::nullopt;
    return Operator(q.row());
}

} // namespace frontdesk
