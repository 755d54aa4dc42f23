// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// How much one import may bring in. An export is outside input: a small file can claim, or unpack to, more than the
// machine holds. The defaults pass any real export; a user with a larger one raises them.
struct ImportLimits {
    static constexpr qint64 kMiB = qint64(1) << 20;
    // One text (a value, a name, a note): long notes are fine, a text as large as an attachment is not.
    static constexpr qint64 kMaxText = 16 * kMiB;
    // All the texts of one entry together, so that one entry of countless small values cannot fill the memory.
    static constexpr qint64 kMaxEntryText = 64 * kMiB;
    // The most either limit may be set to, in MiB: a mebibyte short of 4 PiB, far beyond any disk and any overflow.
    static constexpr qint64 kMostMiB = (qint64(1) << 32) - 1;

    // One attached file, once unpacked.
    qint64 maxFile = 256 * kMiB;
    // Everything the import adds to the wallet, attached files and texts.
    qint64 maxTotal = 2048 * kMiB;
};
