// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/AwaySettings.h"

#include <QSettings>

namespace {
const QString kOnScreenLock = QStringLiteral("Security/LockOnScreenLock");
const QString kOnSleep = QStringLiteral("Security/LockOnSleep");
} // namespace

bool AwaySettings::LockOnScreenLock() {
    return QSettings().value(kOnScreenLock, true).toBool();
}

void AwaySettings::SetLockOnScreenLock(bool on) {
    QSettings().setValue(kOnScreenLock, on);
}

bool AwaySettings::LockOnSleep() {
    return QSettings().value(kOnSleep, true).toBool();
}

void AwaySettings::SetLockOnSleep(bool on) {
    QSettings().setValue(kOnSleep, on);
}
