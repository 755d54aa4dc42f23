// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Ends a command: thrown by a command or its helpers, turned into the message on standard error and the exit status
// by CliApplication. An empty message adds nothing to what the prompts already told the user.
class CliError {
public:
    static constexpr int kFailure = 1;
    static constexpr int kUsage = 2;

    explicit CliError(QString message, int status = kFailure) : m_message(std::move(message)), m_status(status) {}

    static CliError Usage(const QString& message) { return CliError(message, kUsage); }

    const QString& Message() const { return m_message; }
    int Status() const { return m_status; }

private:
    QString m_message;
    int m_status;
};
