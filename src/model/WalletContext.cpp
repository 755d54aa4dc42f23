// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/WalletContext.h"

namespace {
WalletContext*& Installed() {
    static WalletContext* context = nullptr;
    return context;
}
} // namespace

WalletContext* WalletContext::Get() {
    return Installed();
}

void WalletContext::Install(WalletContext* context) {
    Installed() = context;
}
