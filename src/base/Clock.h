// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>

// The one source of the current time for the core. Tests move it; production code never asks the system directly,
// so auto-lock, attachment stream names and unique names can be tested without waiting.
class Clock {
public:
    static QDateTime Now();
    static qint64 NowMSecsSinceEpoch();

    // Test control: freeze the clock at a moment, move a frozen clock on, or go back to the system clock.
    static void Freeze(const QDateTime& moment);
    static void Advance(qint64 milliseconds);
    static void Release();
};
