// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

// The wallet's password and whether it is locked: the gate before anything protected, and the one place the lock
// state and the password change. The wallet around it saves the password and announces what the lock says.
class CWalletLock : public QObject {
    Q_OBJECT

public:
    explicit CWalletLock(QObject* parent = nullptr);

    const QString& Password() const { return m_password; }
    // Sets the password as it is, unlike ChangePassword, which asks the user; the lock state stays.
    void SetPassword(const QString& password) { m_password = password; }
    bool IsLocked() const { return m_locked; }
    // No password and locked, with nothing announced: the wallet announces its own reset.
    void Clear();

    // The gate before anything protected: true when the caller may go on. `name` is what the prompt names;
    // `passwordDisabled` is the wallet's setting that lets everyone through without unlocking.
    bool RequestAccess(const QString& name, bool passwordDisabled);
    // The one way the lock state changes.
    void SetLocked(bool lock);
    // Asks for a new password twice; true when the password changed.
    bool ChangePassword();

Q_SIGNALS:
    // Shown on every SetLocked call, also when the state stays.
    void lockStateShown(bool locked);
    // The state really changed.
    void lockChanged(bool locked);
    // ChangePassword took a new password.
    void passwordChanged();

private:
    QString m_password;
    bool m_locked = true;
};
