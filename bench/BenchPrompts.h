// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Prompts.h"

namespace bench {
// Answers every question at once, so the operations run without anyone: the prepared file, the prepared passphrase,
// and Yes or No as set.
struct SilentPrompts : Prompts {
    QString file;
    QString passphrase;
    bool answerYes = false;

    Answer Message(const QString&, Icon, Buttons buttons, Answer) override {
        return buttons == Buttons::YesNo ? (answerYes ? Answer::Yes : Answer::No) : Answer::Ok;
    }
    QString OpenFileName(const QString&, const QString&) override { return file; }
    QString SaveFileName(const QString&, const QString&, const QString&) override { return file; }
    bool PromptPassword(QString&, const QString&) override { return false; }
    bool AskPassphrase(QString& entry, const QString&, bool) override {
        entry = passphrase;
        return !entry.isEmpty();
    }
};
} // namespace bench
