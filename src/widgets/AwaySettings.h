// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Program-wide choices of when the wallet locks because the user went away, kept in the program's settings rather
// than in a wallet: they belong to the computer.
class AwaySettings {
public:
    static bool LockOnScreenLock();
    static void SetLockOnScreenLock(bool on);
    static bool LockOnSleep();
    static void SetLockOnSleep(bool on);
};
