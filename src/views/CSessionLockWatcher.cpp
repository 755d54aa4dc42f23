// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CSessionLockWatcher.h"

namespace {
// systemd's object path escaping: every byte but letters and digits as _xx, and a leading digit too.
QString EscapedPathElement(const QByteArray& text) {
    QString escaped;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (i > 0 && c >= '0' && c <= '9');
        escaped += plain ? QString(QChar(c)) : QStringLiteral("_%1").arg(uchar(c), 2, 16, QChar(u'0'));
    }
    return escaped;
}
} // namespace

CSessionLockWatcher::CSessionLockWatcher(const QDBusConnection& sessionBus, const QDBusConnection& systemBus,
                                         QObject* parent)
    : QObject(parent) {
    QDBusConnection session = sessionBus;
    for (const auto& [path, interface] :
         {std::pair{QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("org.freedesktop.ScreenSaver")},
          std::pair{QStringLiteral("/ScreenSaver"), QStringLiteral("org.freedesktop.ScreenSaver")},
          std::pair{QStringLiteral("/org/gnome/ScreenSaver"), QStringLiteral("org.gnome.ScreenSaver")}})
        session.connect(QString(), path, interface, QStringLiteral("ActiveChanged"), this,
                        SLOT(OnScreenSaverActive(bool)));
    QDBusConnection system = systemBus;
    // Senders are not checked, and without a known session a lock of any session of the machine counts: a wallet locked
    // once too often only asks for its password again.
    system.connect(QString(), SessionPath(), QStringLiteral("org.freedesktop.login1.Session"), QStringLiteral("Lock"),
                   this, SLOT(OnSessionLock()));
    system.connect(QString(), QStringLiteral("/org/freedesktop/login1"),
                   QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
                   SLOT(OnPrepareForSleep(bool)));
}

QString CSessionLockWatcher::SessionPath() {
    const QByteArray id = qgetenv("XDG_SESSION_ID");
    return id.isEmpty() ? QString() : QStringLiteral("/org/freedesktop/login1/session/") + EscapedPathElement(id);
}

void CSessionLockWatcher::OnScreenSaverActive(bool active) {
    if (active)
        Q_EMIT screenLocked();
}

void CSessionLockWatcher::OnSessionLock() {
    Q_EMIT screenLocked();
}

void CSessionLockWatcher::OnPrepareForSleep(bool starting) {
    if (starting)
        Q_EMIT goingToSleep();
}
