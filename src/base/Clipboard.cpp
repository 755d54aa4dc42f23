// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Clipboard.h"

namespace {
Clipboard*& Current() {
    static Clipboard* clipboard = nullptr;
    return clipboard;
}
} // namespace

void Clipboard::Install(Clipboard* clipboard) {
    Current() = clipboard;
}

Clipboard* Clipboard::Installed() {
    return Current();
}

void CopySecretToClipboard(const QString& text) {
    if (Clipboard* clipboard = Current())
        clipboard->SetSecret(text);
}

void ForgetClipboardSecret() {
    if (Clipboard* clipboard = Current())
        clipboard->Forget();
}
