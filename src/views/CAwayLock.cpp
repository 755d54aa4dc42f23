// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CAwayLock.h"

#include "document/CWallet.h"
#include "views/CSessionLockWatcher.h"
#include "widgets/AwaySettings.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QEvent>
#include <QFileInfo>

#include <algorithm>
#include <limits>

namespace {
constexpr int kMinuteMs = 60000;

// Whether the session's or the system's bus is there to be reached: its address is set, or its socket is in its
// usual place.
bool BusExists(bool system) {
    if (system)
        return qEnvironmentVariableIsSet("DBUS_SYSTEM_BUS_ADDRESS") ||
               QFileInfo::exists(QStringLiteral("/run/dbus/system_bus_socket"));
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS") ||
           (!runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus")));
}
} // namespace

CAwayLock::CAwayLock(CWallet& wallet, QObject* parent) : QObject(parent), m_wallet(wallet) {
    // A lock a few seconds late does no harm, and a coarse timer lets the machine sleep between checks.
    m_timer.setTimerType(Qt::CoarseTimer);
    m_timer.setSingleShot(false);
    connect(&m_timer, &QTimer::timeout, this, &CAwayLock::OnTimeout);
    QCoreApplication::instance()->installEventFilter(this);
}

void CAwayLock::WatchSession(const QDBusConnection& sessionBus, const QDBusConnection& systemBus) {
    auto* watcher = new CSessionLockWatcher(sessionBus, systemBus, this);
    connect(watcher, &CSessionLockWatcher::screenLocked, this, [this] {
        if (AwaySettings::LockOnScreenLock())
            LockNow();
    });
    connect(watcher, &CSessionLockWatcher::goingToSleep, this, [this] {
        if (AwaySettings::LockOnSleep())
            LockNow();
    });
}

// Where a bus is missing Qt is not asked for it at all: it would only try to start one, or fail later.
void CAwayLock::WatchDesktop() {
    const QDBusConnection none(QStringLiteral("korvel-no-bus"));
    WatchSession(BusExists(false) ? QDBusConnection::sessionBus() : none,
                 BusExists(true) ? QDBusConnection::systemBus() : none);
}

void CAwayLock::Restart(bool stopOnly) {
    m_timer.stop();
    if (stopOnly || !m_wallet.GetSettings().autoLock)
        return;
    // The minutes come from the wallet's file; a damaged value must not overflow the timer's milliseconds.
    m_timer.start(std::clamp(m_wallet.GetSettings().lockMinutes, 1, std::numeric_limits<int>::max() / kMinuteMs) *
                  kMinuteMs);
}

void CAwayLock::OnTimeout() {
    if (!m_wallet.GetSettings().autoLock) {
        m_timer.stop();
        return;
    }
    m_wallet.SetLocked(true);
}

void CAwayLock::LockNow() {
    if (m_wallet.IsLocked())
        return;
    m_wallet.SetLocked(true);
    Restart(false);
}

// Every key, click and wheel turn in any window of the program starts the wait again; moving the mouse over a window
// the user is not working in does not.
bool CAwayLock::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
        if (m_timer.isActive())
            m_timer.start();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
