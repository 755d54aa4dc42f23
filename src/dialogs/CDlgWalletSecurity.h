// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "document/WalletPropertiesEditor.h"

#include <QWidget>

class CWallet;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The Security page of the wallet's properties: when the password is asked for and when the wallet locks itself,
// with the program's own choices beside them (locking when the screen locks or the computer sleeps, how long a
// copied value stays on the clipboard), which hold for every wallet on this computer.
class CDlgWalletSecurity : public QWidget {
    Q_OBJECT

public:
    static constexpr int kMinMinutes = 10;
    static constexpr int kMaxMinutes = 60;

    CDlgWalletSecurity(CWallet& wallet, const WalletPropertiesEditor::Settings& settings, QWidget* parent = nullptr);

    // Takes the page's values into `settings`; with lock minutes that are no whole number from 10 to 60 it says so,
    // puts the focus on them and takes nothing.
    bool Save(WalletPropertiesEditor::Settings& settings);

    QCheckBox& LockAfter() { return *m_lockAfter; }
    QLineEdit& Minutes() { return *m_minutes; }
    QPushButton& ChangePasswordButton() { return *m_changePassword; }
    QCheckBox& LockOnScreenLock() { return *m_onScreenLock; }
    QCheckBox& LockOnSleep() { return *m_onSleep; }
    QSpinBox& ClipboardSeconds() { return *m_clipboardSeconds; }

private:
    void OnLockAfterToggled(bool on);

    CWallet& m_wallet;
    QCheckBox* m_unlockToEdit;
    QLineEdit* m_minutes;
    QCheckBox* m_askOnOpen;
    QCheckBox* m_lockAfter;
    QCheckBox* m_desktopPasswordOff;
    QPushButton* m_changePassword;
    QCheckBox* m_onScreenLock;
    QCheckBox* m_onSleep;
    QSpinBox* m_clipboardSeconds;
};
