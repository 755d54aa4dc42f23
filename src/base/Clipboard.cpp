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

void CopyTextToClipboard(const QString& text) {
    if (Clipboard* clipboard = Current())
        clipboard->SetText(text);
}
