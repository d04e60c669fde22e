#pragma once

#include <QString>
#include <stdexcept>

/// The error every layer raises for a failure the user must be told about. Its message is
/// shown as it stands by the general error box (see the application's notify override).
class CalbreyError : public std::runtime_error
{
public:
    explicit CalbreyError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {}
    const QString &message() const { return m_message; }

private:
    QString m_message;
};
