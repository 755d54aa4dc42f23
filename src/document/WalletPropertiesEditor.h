// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/InstalledInterface.h"

#include <QtGlobal>

class CWallet;

// The window in which the wallet's own settings are edited. The desktop program installs it; without it (the command
// line, tests of the core) the settings cannot be edited this way and nothing changes.
class WalletPropertiesEditor : public InstalledInterface<WalletPropertiesEditor> {
public:
    // The settings the window works on: a copy of the wallet's, taken back only when the user accepts.
    struct Settings {
        qint32 askPasswordOnOpen = 0;
        qint32 mustUnlockToEdit = 0;
        qint32 lockMinutes = 0;
        qint32 autoLock = 0;
        qint32 disableDesktopPassword = 0;
        qint32 boldFieldNamesDefault = 0;
        qint32 hidePasswordsDefault = 0;
        quint32 defaultBackColor = 0;
        quint32 defaultTextColor = 0;
    };

    WalletPropertiesEditor() = default;
    WalletPropertiesEditor(const WalletPropertiesEditor&) = delete;
    WalletPropertiesEditor& operator=(const WalletPropertiesEditor&) = delete;
    virtual ~WalletPropertiesEditor() = default;

    // Shows the wallet's properties over `working`; true when they closed with OK, `working` then holding what the
    // user left in them. What the window does to the wallet at once (a new password, compacting) stays either way.
    virtual bool EditProperties(CWallet& wallet, Settings& working) = 0;
};
