// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class CliCommand;

// The help of one command: its usage line and summary (from the command's syntax) and the text of
// src/cli/help/NAME.txt, compiled into the program. `korvel-cli help NAME` and `korvel-cli NAME --help` print it, and
// the manual page's section on the command is made from the same text at build time.
//
// A help file holds paragraphs separated by blank lines and, after them, one entry per option: a line starting with
// the option as the usage line writes it (`--format keepass-xml|bitwarden-json|csv`), then its description on
// indented lines.
class CliHelp {
public:
    struct Option {
        QString term;        // "--category NAME"
        QString description; // one line
    };

    explicit CliHelp(const CliCommand& command);

    // False when the command has no help file.
    bool IsWritten() const { return m_written; }
    const QStringList& Paragraphs() const { return m_paragraphs; }
    const QList<Option>& Options() const { return m_options; }

    // For the terminal, wrapped to 80 columns.
    QString Text() const;
    // The command's section of the manual page, in the man macros.
    QString Roff() const;
    // Text as roff takes it literally: backslashes and minus signs escaped.
    static QString RoffEscaped(const QString& text);

private:
    void Read(const QString& text);

    const CliCommand& m_command;
    bool m_written = false;
    QStringList m_paragraphs;
    QList<Option> m_options;
};
