#pragma once
// Running one statement: values are always bound by name (":kh"), never
// spliced into the statement text. A select reads all its rows at once and
// releases the statement, so no read lock is held between the user's actions
// and other workstations can commit.
#include <QList>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

namespace store {

class Store;

class Query {
public:
    Query(Store &store, QString sql);

    // Binds a named parameter; the name is written as in the statement (":kh").
    Query &bind(const QString &name, const QVariant &value);

    // Runs the statement. Throws DbError with the statement text on failure.
    Query &exec();

    // The rows of a select, in the order the statement gave them.
    const QList<QSqlRecord> &rows() const { return m_rows; }
    int size() const { return int(m_rows.size()); }
    bool empty() const { return m_rows.isEmpty(); }
    const QSqlRecord &row(int i = 0) const;

    // The named field of a row as trimmed text (null reads as empty); field
    // names are matched without regard to case.
    QString text(const QString &field, int row = 0) const;

    // Rows changed by an insert, update or delete; id given to the last insert.
    int rowsAffected() const { return m_rowsAffected; }
    QVariant lastInsertId() const { return m_lastInsertId; }

    // The names of the result's columns (also known for an empty result).
    QStringList columns() const;

private:
    Store &m_store;
    QString m_sql;
    QList<QPair<QString, QVariant>> m_binds;
    QList<QSqlRecord> m_rows;
    QSqlRecord m_columns;
    int m_rowsAffected = 0;
    QVariant m_lastInsertId;
};

// The named field of a record as trimmed text; throws DbError when the record
// has no such field (a misspelt name must not read as an empty value).
QString fieldText(const QSqlRecord &rec, const QString &field);

// Truth of a yes/no column: any non-zero number (-1, 1, '1') is true.
bool isTrue(const QVariant &value);
bool fieldTrue(const QSqlRecord &rec, const QString &field);

} // namespace store
