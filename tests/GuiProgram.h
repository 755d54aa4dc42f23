// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The desktop program started on a new wallet, with scripted answers to its questions, for the suites that drive
// its windows.
#include "ScriptedPrompts.h"
#include "document/CWallet.h"
#include "views/CKorvelApp.h"
#include "views/CMainFrame.h"

#include <QTemporaryDir>

#include <memory>

struct GuiProgram {
    QTemporaryDir folder;
    ScriptedPrompts prompts;
    std::unique_ptr<CKorvelApp> app;

    // Starts with no wallet to open, declining the new wallet's password offer.
    bool Start() {
        prompts.Message(QStringLiteral("A new wallet has been created"), Prompts::Answer::No);
        app = std::make_unique<CKorvelApp>(&prompts, QString());
        return app->InitInstance({QStringLiteral("korvel")});
    }
    CMainFrame& Frame() { return *app->MainFrame(); }
    CWallet& Wallet() { return *app->Wallet(); }
};
