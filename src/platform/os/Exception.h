// The platform's exception class: a message text that the application's default error handling shows.
#pragma once

#include <QString>
#include <stdexcept>

namespace zuvi {

class Exception : public std::runtime_error {
public:
    explicit Exception(const QString& message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    { }
    const QString& message() const noexcept { return m_message; }

private:
    QString m_message;
};

} // namespace zuvi
