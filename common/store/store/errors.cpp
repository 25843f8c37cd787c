#include "store/errors.h"

namespace store {

Error::Error(const QString &message)
    : std::runtime_error(message.toStdString()), m_message(message) {}

DbError::DbError(const QString &message, const QString &statement)
    : Error(message), m_statement(statement) {}

} // namespace store
