#pragma once
// Error types of the data store. Every failure of a statement, of a file or
// of a text that should be a number reaches the caller as one of these; the
// program's general error handler shows message() to the user.
#include <QString>
#include <stdexcept>

namespace store {

class Error : public std::runtime_error {
public:
    explicit Error(const QString &message);
    QString message() const { return m_message; }

private:
    QString m_message;
};

// A statement or a database file failed. statement() holds the failing
// statement text (empty when the failure is not tied to one).
class DbError : public Error {
public:
    explicit DbError(const QString &message, const QString &statement = {});
    QString statement() const { return m_statement; }

private:
    QString m_statement;
};

// A text that should be a number (or a date, or scrambled text) is not.
class ConversionError : public Error {
public:
    using Error::Error;
};

} // namespace store
