// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// Fixed values of the Compound File Binary Format (MS-CFB) that the reader and the writer share.
namespace cfb {

constexpr quint32 kMaxRegularSector = 0xFFFFFFFA;
constexpr quint32 kDifatSector = 0xFFFFFFFC;
constexpr quint32 kFatSector = 0xFFFFFFFD;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFreeSector = 0xFFFFFFFF;
constexpr quint32 kNoStream = 0xFFFFFFFF;

constexpr qint64 kHeaderSize = 512;
constexpr int kHeaderDifatEntries = 109;
constexpr qint64 kEntrySize = 128;
constexpr qint64 kMiniSectorSize = 64;
constexpr qint64 kMiniStreamCutoff = 4096;
constexpr int kNameBytes = 64;

constexpr quint8 kTypeUnused = 0;
constexpr quint8 kTypeStorage = 1;
constexpr quint8 kTypeStream = 2;
constexpr quint8 kTypeRoot = 5;
constexpr quint8 kColorRed = 0;
constexpr quint8 kColorBlack = 1;

constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

// Header field offsets.
constexpr int kOffMinorVersion = 24;
constexpr int kOffMajorVersion = 26;
constexpr int kOffByteOrder = 28;
constexpr int kOffSectorShift = 30;
constexpr int kOffMiniSectorShift = 32;
constexpr int kOffDirectorySectors = 40;
constexpr int kOffFatSectors = 44;
constexpr int kOffFirstDirectory = 48;
constexpr int kOffMiniCutoff = 56;
constexpr int kOffFirstMiniFat = 60;
constexpr int kOffMiniFatSectors = 64;
constexpr int kOffFirstDifat = 68;
constexpr int kOffDifatSectors = 72;
constexpr int kOffHeaderDifat = 76;

// Directory entry field offsets.
constexpr int kOffNameLength = 64;
constexpr int kOffType = 66;
constexpr int kOffColor = 67;
constexpr int kOffLeft = 68;
constexpr int kOffRight = 72;
constexpr int kOffChild = 76;
constexpr int kOffStart = 116;
constexpr int kOffSize = 120;

} // namespace cfb
