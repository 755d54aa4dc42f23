// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QTextStream>

class QIODevice;

// The three streams of korvel-cli: the process's own in main(), buffers in tests.
class CliConsole {
public:
    // `interactive`: a person answers at a terminal. `controlsEcho`: the input is the process's terminal, whose echo
    // can be switched off while a password is typed.
    CliConsole(QIODevice& in, QIODevice& out, QIODevice& err, bool interactive, bool controlsEcho = false);

    bool IsInteractive() const { return m_interactive; }
    QTextStream& Out() { return m_out; }
    QTextStream& Err() { return m_err; }
    // A wallet's text as it may go to a terminal: control characters (escape sequences, carriage returns, bells) and
    // the controls that reorder text are shown as "\x1B", "\r", "\u202E" instead of acting. `keepLines` keeps line
    // breaks and tabs (a CR LF becomes a line break); without it they are shown as "\n" and "\t", for a text that
    // must stay on its line.
    static QString Printable(const QString& text, bool keepLines);

    // Writes the text as a line (made printable) and flushes, so that it comes before any question that follows.
    void PrintOut(const QString& text);
    void PrintErr(const QString& text);
    // Shows the question (without a line end) on standard error and reads one line without its line end; false when
    // the input has ended.
    bool Ask(const QString& question, QString& answer);
    // The same without echo on a terminal.
    bool AskSecret(const QString& question, QString& answer);
    // Why reading a line failed: a line too long or holding a NUL byte. Empty while the input is fine or has ended.
    // Once a line was refused, no more is read.
    const QString& InputError() const { return m_inputError; }
    void Flush();

    // The longest line read, in bytes, without its line end; a password is typed in far less.
    static constexpr qsizetype kMaxLineLength = 4096;

private:
    static constexpr qint64 kReadBlock = 4096;

    void ShowQuestion(const QString& question);
    bool ReadLine(QString& line);
    bool RefuseInput(const QString& reason);

    QIODevice& m_in;
    QTextStream m_out;
    QTextStream m_err;
    bool m_interactive;
    bool m_controlsEcho;
    QByteArray m_pending; // read after the last line given out
    QString m_inputError;
};
