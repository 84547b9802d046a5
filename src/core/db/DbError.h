#pragma once

#include <stdexcept>

#include <QString>

namespace db {

// An error raised by the database layer or a routine built on it. The text is the
// engine's own message (or the routine's), meant to be shown to the operator as is.
class DbError : public std::runtime_error
{
public:
    explicit DbError(const QString &message, int number = 0)
        : std::runtime_error(message.toStdString()), m_message(message), m_number(number)
    {
    }
    QString message() const { return m_message; }
    int number() const { return m_number; }

private:
    QString m_message;
    int m_number;
};

} // namespace db
