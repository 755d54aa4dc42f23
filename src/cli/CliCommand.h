// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>

#include <utility>

class CliContext;

// One command of korvel-cli: its name, its arguments and options, and what it does.
class CliCommand {
public:
    struct Syntax {
        QString name;
        QString arguments; // as the usage line shows them, after the name
        QString summary;
        int minArgs = 1;
        int maxArgs = 1;
        QList<QCommandLineOption> options;
    };

    explicit CliCommand(Syntax syntax) : m_syntax(std::move(syntax)) {}
    CliCommand(const CliCommand&) = delete;
    CliCommand& operator=(const CliCommand&) = delete;
    virtual ~CliCommand() = default;

    const Syntax& GetSyntax() const { return m_syntax; }
    QString UsageLine() const { return m_syntax.name + u' ' + m_syntax.arguments; }

    // Returns the exit status; a failure may also end the command by throwing CliError.
    virtual int Run(CliContext& context) const = 0;

    // Options that several commands share.
    static QCommandLineOption JsonOption() { return QCommandLineOption(QStringLiteral("json")); }
    static QCommandLineOption YesOption() { return QCommandLineOption(QStringLiteral("yes")); }
    static QCommandLineOption ValueOption() {
        return QCommandLineOption(QStringLiteral("value"), QString(), QStringLiteral("N=TEXT"));
    }
    static QCommandLineOption NotesOption() {
        return QCommandLineOption(QStringLiteral("notes"), QString(), QStringLiteral("TEXT"));
    }

private:
    Syntax m_syntax;
};
