// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/CWalletLock.h"

#include "base/Prompts.h"
#include "base/Utilities.h"
#include "resources/StringTable.h"

CWalletLock::CWalletLock(QObject* parent) : QObject(parent) {}

void CWalletLock::Clear() {
    m_password.clear();
    m_locked = true;
}

bool CWalletLock::RequestAccess(const QString& name, bool passwordDisabled) {
    if (passwordDisabled)
        return true;
    if (!m_password.isEmpty() && m_locked) {
        SetLocked(true);
        QString expected = m_password;
        const QString message = FormatText(LoadResString(kStrUnlockPrompt), {name});
        if (!Prompts::Get().PromptPassword(expected, message))
            return false;
    }
    if (m_locked)
        SetLocked(false);
    return true;
}

void CWalletLock::SetLocked(bool lock) {
    Q_EMIT lockStateShown(lock);
    if (m_locked == lock)
        return;
    m_locked = lock;
    Q_EMIT lockChanged(lock);
}

bool CWalletLock::ChangePassword() {
    for (;;) {
        QString first;
        if (!Prompts::Get().PromptPassword(first, LoadResString(kStrNewPasswordPrompt)))
            return false;
        Prompts::Inform(LoadResString(kStrVerifyPassword));
        QString second;
        if (!Prompts::Get().PromptPassword(second, LoadResString(kStrVerifyPassword)))
            return false;
        if (first != second) {
            if (Prompts::AskYesNo(LoadResString(kStrPasswordMismatch), Prompts::Icon::Exclamation))
                continue;
            return false;
        }
        if (first == m_password)
            return false;
        m_password = first;
        Q_EMIT passwordChanged();
        Prompts::Inform(LoadResString(kStrPasswordChanged));
        SetLocked(false);
        return true;
    }
}
