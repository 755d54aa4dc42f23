// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>

// Hears the desktop say that the user went away: the screen saver's lock (freedesktop and GNOME, on the session
// bus), the login manager's lock of this session and its warning before the machine sleeps (on the system bus).
// Without a bus nothing is heard and nothing fails.
class CSessionLockWatcher : public QObject {
    Q_OBJECT

public:
    CSessionLockWatcher(const QDBusConnection& sessionBus, const QDBusConnection& systemBus, QObject* parent = nullptr);

    // The object path of this login session at the login manager, from XDG_SESSION_ID; empty when unknown.
    static QString SessionPath();

Q_SIGNALS:
    void screenLocked();
    void goingToSleep();

private Q_SLOTS:
    void OnScreenSaverActive(bool active);
    void OnSessionLock();
    void OnPrepareForSleep(bool starting);
};
