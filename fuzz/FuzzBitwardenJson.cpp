// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the reader of Bitwarden JSON exports, and every entry it hands over to the mapping into a
// wallet.
#include "document/CWallet.h"
#include "document/WalletImporter.h"
#include "model/ImportReader.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    CWallet wallet;
    WalletImporter importer(wallet, QString(), {});
    const auto reader = ImportReader::Create(ImportReader::Format::BitwardenJson, true);
    QString error;
    reader->Read(
        buffer, [&](ImportedEntry& entry) { importer.Add(entry, error); }, error);
    return 0;
}
