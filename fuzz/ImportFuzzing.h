// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What every fuzz target of an import reader does: the bytes read as an export, and every entry handed over mapped
// into a wallet, so that the mapping meets hostile entries too.
#include "document/CWallet.h"
#include "document/WalletImporter.h"
#include "model/ImportReader.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

// Attached files are capped well below the fuzzer's allocation limit, which a packed file may otherwise reach, and so
// is all an import brings in.
inline constexpr ImportLimits kFuzzLimits{16 * ImportLimits::kMiB, 64 * ImportLimits::kMiB};

inline int FuzzImport(const uint8_t* data, size_t size, ImportReader& reader) {
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    CWallet wallet;
    WalletImporter importer(wallet, QString(), {});
    QString error;
    reader.Read(
        buffer, [&](ImportedEntry& entry) { importer.Add(entry, error); }, error);
    return 0;
}
