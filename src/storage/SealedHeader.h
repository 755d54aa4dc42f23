// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <QtGlobal>

// The clear-text start of a sealed wallet file: what it is, and how its key is derived from the passphrase. The
// layout is documented for independent readers in docs/sealed-wallet-format.md; every number is little-endian.
//
//   0  8  magic "KVSEALED"
//   8  2  format version (1)
//  10  2  key derivation (1: Argon2id v1.3, one lane, 32-byte key)
//  12  4  Argon2id passes (operations limit)
//  16  4  Argon2id memory in KiB
//  20 16  salt
//  36 24  header of the XChaCha20-Poly1305 secret stream
//
// The whole 60 bytes are the additional data of the first chunk, so none of it can change unnoticed.
class SealedHeader {
public:
    static constexpr int kSize = 60;
    static constexpr int kSaltSize = 16;
    static constexpr int kStreamHeaderSize = 24;
    static constexpr quint16 kVersion = 1;
    static constexpr quint16 kArgon2id = 1;
    static constexpr char kMagic[9] = "KVSEALED";
    // Plain text per chunk; every chunk but the last holds exactly this much.
    static constexpr qint64 kChunkSize = 64 * 1024;
    // What a file may ask of the machine before anything is derived: a file asking more is refused as damaged
    // rather than left to exhaust memory or time.
    static constexpr quint32 kMaxOperations = 64;
    static constexpr quint32 kMinMemoryKiB = 8;
    static constexpr quint32 kMaxMemoryKiB = 4u * 1024 * 1024;
    // The most that sealing ever chooses, by measuring or by the user's choice. A header asking for more is either
    // forged, to tie up the machine for minutes per attempt, or not Korvel's; it is derived only when the user
    // allows it.
    static constexpr quint32 kUsualMaxOperations = 16;
    static constexpr quint32 kUsualMaxMemoryKiB = 1024 * 1024;

    enum class Kind { Plain, Sealed, Unusable };

    quint32 operations = 0;
    quint32 memoryKiB = 0;
    QByteArray salt;         // kSaltSize bytes
    QByteArray streamHeader; // kStreamHeaderSize bytes

    // Whether `start` (the first bytes of a file) begin a sealed wallet.
    static bool HasMagic(const QByteArray& start);
    // Reads the header of the file at `path`: Plain for a file that is not sealed (or too short to be), Unusable with
    // `error` for a sealed file whose header cannot be used (unknown version, absurd costs) or cannot be read.
    static Kind Read(const QString& path, SealedHeader& header, QString& error);
    // Decodes the kSize bytes of `bytes`; false with `error` when they are no usable header.
    static bool Parse(const QByteArray& bytes, SealedHeader& header, QString& error);
    // Whether the costs are within what this program derives; false with `error` otherwise.
    static bool CheckCosts(quint32 operations, quint32 memoryKiB, QString& error);

    // Whether this header asks for more than sealing ever chooses.
    bool HasUnusualCosts() const { return operations > kUsualMaxOperations || memoryKiB > kUsualMaxMemoryKiB; }

    QByteArray Serialize() const;
};
