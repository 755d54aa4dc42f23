// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Clock.h"

#include <optional>

namespace {
std::optional<QDateTime>& Frozen() {
    static std::optional<QDateTime> frozen;
    return frozen;
}
} // namespace

QDateTime Clock::Now() {
    return Frozen() ? *Frozen() : QDateTime::currentDateTime();
}

qint64 Clock::NowMSecsSinceEpoch() {
    return Frozen() ? Frozen()->toMSecsSinceEpoch() : QDateTime::currentMSecsSinceEpoch();
}

void Clock::Freeze(const QDateTime& moment) {
    Frozen() = moment;
}

void Clock::Advance(qint64 milliseconds) {
    if (Frozen())
        Frozen() = Frozen()->addMSecs(milliseconds);
}

void Clock::Release() {
    Frozen().reset();
}
