// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Prompts.h"

#include <QList>
#include <QStringList>

// Prompts for tests: replays prepared answers in order and records every question. A question that was not expected,
// or of another kind than the next answer, is noted as a fault and cancelled; Faults() must stay empty.
class ScriptedPrompts : public Prompts {
public:
    ScriptedPrompts() { Install(this); }
    ~ScriptedPrompts() override { Install(nullptr); }

    // The next message box is answered so; `containing` must be part of its text.
    void Message(const QString& containing, Answer answer) { m_steps.append({Kind::Message, containing, answer}); }
    // The next file dialog gives this path (empty: cancelled).
    void OpenFile(const QString& path) { m_steps.append({Kind::OpenFile, path}); }
    void SaveFile(const QString& path) { m_steps.append({Kind::SaveFile, path}); }
    // The next keypad gets this entry: checked against the expected password, or collected as the new one.
    void Password(const QString& entry, bool confirm = true) {
        m_steps.append({Kind::Password, entry, confirm ? Answer::Ok : Answer::Cancel});
    }

    // The next passphrase prompt gets this entry (an empty one cancels it).
    void Passphrase(const QString& entry) { m_steps.append({Kind::Passphrase, entry}); }

    const QStringList& Asked() const { return m_asked; }
    // The default button of each message box asked, in order.
    const QList<Answer>& Defaults() const { return m_defaults; }
    // Faults, and answers left over: both mean the code asked other questions than the test expected.
    QStringList Faults() const {
        QStringList all = m_faults;
        for (const Step& step : m_steps)
            all.append(QStringLiteral("not asked: ") + step.text);
        return all;
    }

    Answer Message(const QString& text, Icon, Buttons buttons, Answer defaultAnswer) override {
        m_asked.append(text);
        m_defaults.append(defaultAnswer);
        const Step* step = Next(Kind::Message, text);
        if (!step)
            return buttons == Buttons::YesNo ? Answer::No : defaultAnswer;
        if (!text.contains(step->text))
            m_faults.append(QStringLiteral("message \"%1\" does not contain \"%2\"").arg(text, step->text));
        return step->answer;
    }
    QString OpenFileName(const QString& filter, const QString&) override {
        m_asked.append(QStringLiteral("open ") + filter);
        const Step* step = Next(Kind::OpenFile, filter);
        return step ? step->text : QString();
    }
    QString SaveFileName(const QString& filter, const QString&, const QString& proposedName) override {
        m_asked.append(QStringLiteral("save ") + proposedName);
        const Step* step = Next(Kind::SaveFile, filter);
        return step ? step->text : QString();
    }
    bool PromptPassword(QString& password, const QString& message) override {
        m_asked.append(message);
        const Step* step = Next(Kind::Password, message);
        if (!step || step->answer != Answer::Ok)
            return false;
        if (!password.isEmpty())
            return step->text == password;
        password = step->text;
        return true;
    }

    bool AskPassphrase(QString& passphrase, const QString& walletName, bool isNew) override {
        m_asked.append((isNew ? QStringLiteral("new passphrase ") : QStringLiteral("passphrase ")) + walletName);
        const Step* step = Next(Kind::Passphrase, walletName);
        if (!step || step->text.isEmpty())
            return false;
        passphrase = step->text;
        return true;
    }

private:
    enum class Kind { Message, OpenFile, SaveFile, Password, Passphrase };
    struct Step {
        Kind kind;
        QString text;
        Answer answer = Answer::Ok;
    };

    const Step* Next(Kind kind, const QString& asked) {
        if (m_steps.isEmpty() || m_steps.first().kind != kind) {
            m_faults.append(QStringLiteral("unexpected question: ") + asked);
            return nullptr;
        }
        m_current = m_steps.takeFirst();
        return &m_current;
    }

    QList<Step> m_steps;
    Step m_current{Kind::Message, {}};
    QStringList m_asked;
    QList<Answer> m_defaults;
    QStringList m_faults;
};
