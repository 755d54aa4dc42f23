// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Prompts.h"

#include <QHash>
#include <QSet>
#include <QString>

class CliConsole;

// The prompts of korvel-cli. Messages are printed (information on standard output, the rest on standard error);
// a yes/no question is asked at a terminal and otherwise answered No unless the user gave --yes; the password is read
// without echo at a terminal or as one line of standard input. Paths come from the command line, so a file dialog
// gives the path the command prepared.
class TerminalPrompts : public Prompts {
public:
    // Tries at a terminal before a wrong password is refused, as on the keypad.
    static constexpr int kPasswordTries = 3;
    static constexpr int kMinPasswordLength = 4;

    explicit TerminalPrompts(CliConsole& console);

    void SetAssumeYes(bool assumeYes) { m_assumeYes = assumeYes; }
    // The question with exactly this text is answered so, without asking (the command's options answer it).
    void Preanswer(const QString& text, Answer answer) { m_preanswers.insert(text, answer); }
    // A message with exactly this text is not shown: the command shows it itself once its work is done.
    void Withhold(const QString& text) { m_withheld.insert(text); }
    // What the next file dialog gives.
    void PrepareFileName(const QString& path) { m_fileName = path; }
    // Why the last password prompt failed; empty when none has failed since ClearPasswordFailure().
    const QString& PasswordFailure() const { return m_passwordFailure; }
    void ClearPasswordFailure() { m_passwordFailure.clear(); }

    Answer Message(const QString& text, Icon icon, Buttons buttons, Answer defaultAnswer) override;
    QString OpenFileName(const QString& filter, const QString& defaultExtension) override;
    QString SaveFileName(const QString& filter, const QString& defaultExtension, const QString& proposedName) override;
    bool PromptPassword(QString& password, const QString& message) override;
    bool AskPassphrase(QString& passphrase, const QString& walletName, bool isNew) override;

private:
    Answer AskYesNo(const QString& text, Answer defaultAnswer);
    bool CheckPassword(const QString& expected, const QString& question);
    bool CollectPassword(QString& password, const QString& question);
    QString TakeFileName();
    // Why no password came: the input ended, or its line was refused.
    QString NothingEntered(const QString& what = QStringLiteral("password")) const;

    CliConsole& m_console;
    bool m_assumeYes = false;
    QHash<QString, Answer> m_preanswers;
    QSet<QString> m_withheld;
    QString m_fileName;
    QString m_passwordFailure;
    int m_passphrasesAsked = 0;
};
