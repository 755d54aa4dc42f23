// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <stdexcept>

// A record stream that cannot be read or written: damaged, cut short or not writable. The message is for the user.
class CArchiveException : public std::runtime_error {
public:
    explicit CArchiveException(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}

    const QString& Message() const { return m_message; }

private:
    QString m_message;
};
