#include "store/query.h"

#include "store/errors.h"
#include "store/store.h"

#include <QSqlError>
#include <QSqlQuery>

namespace store {

Query::Query(Store &store, QString sql) : m_store(store), m_sql(std::move(sql)) {}

Query &Query::bind(const QString &name, const QVariant &value)
{
    m_binds.append({name, value});
    return *this;
}

Query &Query::exec()
{
    QSqlQuery q(m_store.db());
    q.setForwardOnly(true);
    if (!q.prepare(m_sql))
        throw DbError(q.lastError().text(), m_sql);
    for (const auto &[name, value] : m_binds)
        q.bindValue(name, value);
    if (!q.exec())
        throw DbError(q.lastError().text(), m_sql);
    m_rows.clear();
    m_columns = q.record();
    if (q.isSelect()) {
        while (q.next())
            m_rows.append(q.record());
        if (q.lastError().isValid())
            throw DbError(q.lastError().text(), m_sql);
    }
    m_rowsAffected = q.isSelect() ? 0 : q.numRowsAffected();
    m_lastInsertId = q.lastInsertId();
    q.finish();
    return *this;
}

const QSqlRecord &Query::row(int i) const
{
    if (i < 0 || i >= m_rows.size())
        throw DbError(QStringLiteral("查询结果没有第 %1 行").arg(i + 1), m_sql);
    return m_rows.at(i);
}

QString Query::text(const QString &field, int r) const
{
    return fieldText(row(r), field);
}

QStringList Query::columns() const
{
    QStringList names;
    for (int i = 0; i < m_columns.count(); ++i)
        names << m_columns.fieldName(i);
    return names;
}

QString fieldText(const QSqlRecord &rec, const QString &field)
{
    const int i = rec.indexOf(field);
    if (i < 0)
        throw DbError(QStringLiteral("查询结果中没有字段“%1”").arg(field));
    return rec.value(i).toString().trimmed();
}

bool isTrue(const QVariant &value)
{
    if (value.isNull())
        return false;
    bool ok = false;
    const double d = value.toString().trimmed().toDouble(&ok);
    if (ok)
        return d != 0;
    return value.toBool();
}

bool fieldTrue(const QSqlRecord &rec, const QString &field)
{
    const int i = rec.indexOf(field);
    if (i < 0)
        throw DbError(QStringLiteral("查询结果中没有字段“%1”").arg(field));
    return isTrue(rec.value(i));
}

} // namespace store
