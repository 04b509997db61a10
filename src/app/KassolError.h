#pragma once

#include <QString>
#include <stdexcept>

// A failure whose message is meant for the user: German, complete, ready for a message box.
class KassolError : public std::runtime_error {
public:
    explicit KassolError(const QString& message) : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};
