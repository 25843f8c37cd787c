#include "signin/operator.h"

#include "kit/messages.h"
#include "store/errors.h"
#include "store/query.h"

namespace signin {

Operator::Operator(QSqlRecord row) : m_row(std::move(row)) {}

std::optional<Operator> Operator::load(store::Store &store, const QString &userName)
{
    store::Query q(store, QStringLiteral("select * from 用户表 where 用户名=:yhm"));
    q.bind(QStringLiteral(":yhm"), userName).exec();
    if (q.empty())
        return std::nullopt;
    return Operator(q.row());
}

QString Operator::userName() const
{
    return m_row.value(QStringLiteral("用户名")).toString();
}

QString Operator::name() const
{
    return store::fieldText(m_row, QStringLiteral("姓名"));
}

bool Operator::holds(const QString &right) const
{
    if (m_row.indexOf(right) < 0)
        throw store::DbError(QStringLiteral("用户表中没有权限“%1”").arg(right));
    return store::fieldTrue(m_row, right);
}

bool Operator::disabled() const
{
    return holds(QStringLiteral("是否停用"));
}

bool Operator::builtIn() const
{
    return holds(QStringLiteral("系统内定"));
}

bool gate(QWidget *parent, const Operator &op, const QString &right, const QString &denial)
{
    if (op.holds(right))
        return true;
    if (!denial.isEmpty())
        kit::info(parent, denial);
    return false;
}

} // namespace signin
