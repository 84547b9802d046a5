#pragma once

#include <stdexcept>

#include <QString>

// The one error type of the core: the engine's own message or a rule's, meant to be shown
// to the operator as it stands. A refusal is a rule saying no to what was typed; it names
// the field the operator should correct, so the screen can put the focus there. A warning
// is a refusal the operator must not miss: it shows with the exclamation icon.
class CoreError : public std::runtime_error
{
public:
    enum class Kind { Failure, Refusal };

    explicit CoreError(const QString &message, int number = 0, Kind kind = Kind::Failure,
                       const QString &field = QString(), bool exclamation = false)
        : std::runtime_error(message.toStdString()), m_message(message), m_number(number),
          m_kind(kind), m_field(field), m_exclamation(exclamation)
    {
    }

    static CoreError refusal(const QString &message, const QString &field = QString())
    {
        return CoreError(message, 0, Kind::Refusal, field);
    }
    // A refusal shown with the exclamation icon.
    static CoreError warning(const QString &message, const QString &field = QString(), int number = 0)
    {
        return CoreError(message, number, Kind::Refusal, field, true);
    }

    QString message() const { return m_message; }
    int number() const { return m_number; }
    Kind kind() const { return m_kind; }
    bool isRefusal() const { return m_kind == Kind::Refusal; }
    // objectName of the control to focus after the message; empty when none.
    QString field() const { return m_field; }
    bool exclamation() const { return m_exclamation; }

private:
    QString m_message;
    int m_number;
    Kind m_kind;
    QString m_field;
    bool m_exclamation;
};
