// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TerminalPrompts.h"

#include "base/Utilities.h"
#include "cli/CliConsole.h"
#include "resources/StringTable.h"

#include <algorithm>
#include <utility>

namespace {
bool IsValidNewPassword(const QString& entry) {
    return entry.size() >= TerminalPrompts::kMinPasswordLength &&
           std::all_of(entry.begin(), entry.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}
} // namespace

TerminalPrompts::TerminalPrompts(CliConsole& console) : m_console(console) {}

Prompts::Answer TerminalPrompts::Message(const QString& text, Icon icon, Buttons buttons, Answer defaultAnswer) {
    if (buttons == Buttons::YesNo)
        return AskYesNo(text, defaultAnswer);
    if (m_withheld.contains(text))
        return Answer::Ok;
    if (icon == Icon::Information)
        m_console.PrintOut(text);
    else
        m_console.PrintErr(text);
    return Answer::Ok;
}

Prompts::Answer TerminalPrompts::AskYesNo(const QString& text, Answer defaultAnswer) {
    if (const auto preset = m_preanswers.constFind(text); preset != m_preanswers.cend())
        return *preset;
    if (m_assumeYes)
        return Answer::Yes;
    if (!m_console.IsInteractive()) {
        m_console.PrintErr(text + QStringLiteral("\nNo: standard input is not a terminal; give --yes to confirm."));
        return Answer::No;
    }
    const QString choices = defaultAnswer == Answer::Yes ? QStringLiteral(" [Y/n] ") : QStringLiteral(" [y/N] ");
    QString reply;
    while (m_console.Ask(text + choices, reply)) {
        reply = reply.trimmed().toLower();
        if (reply.isEmpty())
            return defaultAnswer == Answer::Yes ? Answer::Yes : Answer::No;
        if (reply == u"y" || reply == u"yes")
            return Answer::Yes;
        if (reply == u"n" || reply == u"no")
            return Answer::No;
    }
    return Answer::No;
}

QString TerminalPrompts::OpenFileName(const QString&, const QString&) {
    return TakeFileName();
}

QString TerminalPrompts::SaveFileName(const QString&, const QString&, const QString&) {
    return TakeFileName();
}

QString TerminalPrompts::NothingEntered(const QString& what) const {
    const QString& refused = m_console.InputError();
    return refused.isEmpty() ? QStringLiteral("no %1 was entered").arg(what) : refused;
}

QString TerminalPrompts::TakeFileName() {
    return std::exchange(m_fileName, QString());
}

bool TerminalPrompts::PromptPassword(QString& password, const QString& message) {
    const QString question = (message.isEmpty() ? LoadResString(kStrUnlockPrompt) : message) + u' ';
    return password.isEmpty() ? CollectPassword(password, question) : CheckPassword(password, question);
}

bool TerminalPrompts::CheckPassword(const QString& expected, const QString& question) {
    const int tries = m_console.IsInteractive() ? kPasswordTries : 1;
    for (int i = 0; i < tries; ++i) {
        QString entry;
        if (!m_console.AskSecret(question, entry)) {
            m_passwordFailure = NothingEntered();
            return false;
        }
        if (entry == expected)
            return true;
        if (i + 1 < tries)
            m_console.PrintErr(LoadResString(kStrWrongPassword));
    }
    m_passwordFailure = QStringLiteral("the password is wrong");
    return false;
}

// A new password is digits only, as the keypad types them.
bool TerminalPrompts::CollectPassword(QString& password, const QString& question) {
    for (;;) {
        QString entry;
        if (!m_console.AskSecret(question, entry)) {
            m_passwordFailure = NothingEntered();
            return false;
        }
        if (IsValidNewPassword(entry)) {
            password = entry;
            return true;
        }
        m_console.PrintErr(LoadResString(kStrPasswordTooShort));
        if (!m_console.IsInteractive()) {
            m_passwordFailure = QStringLiteral("a password is at least 4 digits and nothing else");
            return false;
        }
    }
}

// A sealed wallet's passphrase comes before anything else is asked, so in a script it is the first line of input.
bool TerminalPrompts::AskPassphrase(QString& passphrase, const QString& walletName, bool isNew) {
    const QString question = isNew ? QStringLiteral("New passphrase for \"%1\": ").arg(walletName)
                                   : QStringLiteral("Passphrase for \"%1\": ").arg(walletName);
    // A script gives one passphrase; asking again means it was wrong, and the next line is meant for something else.
    if (!isNew && m_passphrasesAsked++ > 0 && !m_console.IsInteractive()) {
        m_passwordFailure = QStringLiteral("the passphrase is wrong");
        return false;
    }
    QString entry;
    if (!m_console.AskSecret(question, entry)) {
        m_passwordFailure = NothingEntered(QStringLiteral("passphrase"));
        return false;
    }
    if (isNew) {
        QString again;
        if (!m_console.AskSecret(QStringLiteral("The same passphrase again: "), again)) {
            m_passwordFailure = NothingEntered(QStringLiteral("passphrase"));
            return false;
        }
        if (again != entry) {
            m_passwordFailure = QStringLiteral("the two passphrases differ");
            return false;
        }
    }
    passphrase = entry;
    return true;
}
