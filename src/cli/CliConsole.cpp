// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliConsole.h"

#include <QIODevice>

#include <algorithm>
#include <csignal>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace {
// Switches the terminal's echo off for its lifetime.
// The terminal's settings while echo is off, for a signal that ends the program in the middle of a password.
termios g_echoing{};

void RestoreEchoAndDie(int signal) {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_echoing);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

class EchoOff {
public:
    explicit EchoOff(bool active) : m_active(active && tcgetattr(STDIN_FILENO, &m_saved) == 0) {
        if (!m_active)
            return;
        g_echoing = m_saved;
        m_interrupt = std::signal(SIGINT, RestoreEchoAndDie);
        m_terminate = std::signal(SIGTERM, RestoreEchoAndDie);
        termios quiet = m_saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    ~EchoOff() {
        if (!m_active)
            return;
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &m_saved);
        std::signal(SIGINT, m_interrupt);
        std::signal(SIGTERM, m_terminate);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    termios m_saved{};
    bool m_active;
    void (*m_interrupt)(int) = SIG_DFL;
    void (*m_terminate)(int) = SIG_DFL;
};
} // namespace

CliConsole::CliConsole(QIODevice& in, QIODevice& out, QIODevice& err, bool interactive, bool controlsEcho)
    : m_in(in), m_out(&out), m_err(&err), m_interactive(interactive), m_controlsEcho(controlsEcho) {}

QString CliConsole::Printable(const QString& text, bool keepLines) {
    const auto needsEscape = [keepLines](QChar c) {
        if (keepLines && (c == u'\n' || c == u'\t'))
            return false;
        return c.category() == QChar::Other_Control || (c >= u'\u202A' && c <= u'\u202E') ||
               (c >= u'\u2066' && c <= u'\u2069');
    };
    if (std::none_of(text.begin(), text.end(), needsEscape))
        return text;
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (keepLines && c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue;
        if (!needsEscape(c))
            shown += c;
        else if (c == u'\n' || c == u'\r' || c == u'\t')
            shown += c == u'\n' ? QStringLiteral("\\n") : c == u'\r' ? QStringLiteral("\\r") : QStringLiteral("\\t");
        else if (c.unicode() < 0x100)
            shown += QStringLiteral("\\x") + QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0');
        else
            shown += QStringLiteral("\\u") + QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0');
    }
    return shown;
}

void CliConsole::PrintOut(const QString& text) {
    m_err.flush();
    m_out << Printable(text, true) << '\n';
    m_out.flush();
}

void CliConsole::PrintErr(const QString& text) {
    m_out.flush();
    m_err << Printable(text, true) << '\n';
    m_err.flush();
}

bool CliConsole::Ask(const QString& question, QString& answer) {
    ShowQuestion(question);
    return ReadLine(answer);
}

bool CliConsole::AskSecret(const QString& question, QString& answer) {
    ShowQuestion(question);
    bool read = false;
    {
        const EchoOff echoOff(m_controlsEcho);
        read = ReadLine(answer);
    }
    // The line end the user typed was not echoed either.
    if (m_controlsEcho) {
        m_err << '\n';
        m_err.flush();
    }
    return read;
}

// At a terminal the answer is typed after the question; otherwise the question stays a line of its own in a log.
void CliConsole::ShowQuestion(const QString& question) {
    m_out.flush();
    m_err << Printable(question, true);
    if (!m_interactive)
        m_err << '\n';
    m_err.flush();
}

void CliConsole::Flush() {
    m_out.flush();
    m_err.flush();
}

// Reads in blocks and keeps what follows the line for the next question, so a pipe gives one line per question.
// A line has a bounded length and no NUL byte: endless or binary input (/dev/zero) is refused at once instead of
// being collected without end.
bool CliConsole::ReadLine(QString& line) {
    if (!m_inputError.isEmpty() || !m_in.isReadable())
        return false;
    QByteArray bytes;
    for (;;) {
        const qsizetype end = m_pending.indexOf('\n');
        const qsizetype length = end < 0 ? m_pending.size() : end;
        if (length > kMaxLineLength)
            return RefuseInput(QStringLiteral("a line of input is longer than %1 bytes").arg(kMaxLineLength));
        if (QByteArrayView(m_pending).first(length).contains('\0'))
            return RefuseInput(QStringLiteral("a line of input holds a NUL byte"));
        if (end >= 0) {
            bytes = m_pending.left(end);
            m_pending.remove(0, end + 1);
            break;
        }
        char block[kReadBlock];
        const qint64 got = m_in.read(block, kReadBlock);
        if (got <= 0) {
            if (m_pending.isEmpty())
                return false;
            bytes = std::exchange(m_pending, QByteArray());
            break;
        }
        m_pending.append(block, got);
    }
    line = QString::fromUtf8(bytes);
    while (line.endsWith(u'\r'))
        line.chop(1);
    return true;
}

bool CliConsole::RefuseInput(const QString& reason) {
    m_inputError = reason;
    m_pending.clear();
    return false;
}
