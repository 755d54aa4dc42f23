// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/CTypeAheadGuard.h"

#include "base/Clock.h"

#include <QCoreApplication>
#include <QEvent>

CTypeAheadGuard::CTypeAheadGuard(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("typeAheadGuard"));
    parent->installEventFilter(this);
}

void CTypeAheadGuard::Start() {
    QCoreApplication* app = QCoreApplication::instance();
    auto* guard = app->findChild<CTypeAheadGuard*>(QStringLiteral("typeAheadGuard"), Qt::FindDirectChildrenOnly);
    if (!guard)
        guard = new CTypeAheadGuard(app);
    guard->m_lastKey = Clock::NowMSecsSinceEpoch();
}

bool CTypeAheadGuard::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return QObject::eventFilter(watched, event);
    const qint64 now = Clock::NowMSecsSinceEpoch();
    if (now - m_lastKey > kPauseMs) {
        parent()->removeEventFilter(this);
        deleteLater();
        return QObject::eventFilter(watched, event);
    }
    m_lastKey = now;
    return true;
}
