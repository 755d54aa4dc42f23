// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Prompts.h"

#include <QtGlobal>

namespace {
Prompts*& Installed() {
    static Prompts* prompts = nullptr;
    return prompts;
}
} // namespace

Prompts& Prompts::Get() {
    if (!Installed())
        qFatal("No prompts are installed to ask the user.");
    return *Installed();
}

void Prompts::Install(Prompts* prompts) {
    Installed() = prompts;
}

void Prompts::Inform(const QString& text) {
    Get().Message(text, Icon::Information, Buttons::Ok, Answer::Ok);
}

void Prompts::Warn(const QString& text) {
    Get().Message(text, Icon::Exclamation, Buttons::Ok, Answer::Ok);
}

bool Prompts::AskYesNo(const QString& text, Icon icon, Answer defaultAnswer) {
    return Get().Message(text, icon, Buttons::YesNo, defaultAnswer) == Answer::Yes;
}
