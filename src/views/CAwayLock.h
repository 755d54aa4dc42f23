// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

class CWallet;
class QDBusConnection;

// Locks the wallet when the user is away: after the wallet's minutes without a key, click or wheel turn in any of
// Korvel's windows, when the desktop's screen locks, and when the machine is about to sleep (the last two as the
// program's settings say).
class CAwayLock : public QObject {
    Q_OBJECT

public:
    explicit CAwayLock(CWallet& wallet, QObject* parent = nullptr);

    // Listens for the screen's lock and the machine's sleep on these buses.
    void WatchSession(const QDBusConnection& sessionBus, const QDBusConnection& systemBus);
    // The same on the desktop's own buses, those of them that exist.
    void WatchDesktop();
    // Starts the wait again with the wallet's minutes, or only stops it.
    void Restart(bool stopOnly);
    bool IsActive() const { return m_timer.isActive(); }
    int Interval() const { return m_timer.interval(); }
    int RemainingMs() const { return m_timer.remainingTime(); }
    // The user was away for the whole wait.
    void OnTimeout();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LockNow();

    CWallet& m_wallet;
    QTimer m_timer;
};
