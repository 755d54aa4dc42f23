// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/WalletPropertiesEditor.h"

namespace {
WalletPropertiesEditor*& Installed() {
    static WalletPropertiesEditor* editor = nullptr;
    return editor;
}
} // namespace

WalletPropertiesEditor* WalletPropertiesEditor::Get() {
    return Installed();
}

void WalletPropertiesEditor::Install(WalletPropertiesEditor* editor) {
    Installed() = editor;
}
