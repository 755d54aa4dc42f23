// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the reader of KeePass 2 XML exports, and every entry it hands over to the mapping into a
// wallet.
#include "document/CWallet.h"
#include "document/WalletImporter.h"
#include "model/KeePassXmlReader.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    CWallet wallet;
    WalletImporter importer(wallet, QString(), {});
    // Attached files are capped well below the fuzzer's allocation limit, which a packed file may otherwise reach.
    const auto reader = std::make_unique<KeePassXmlReader>(true, 16 * 1024 * 1024);
    QString error;
    reader->Read(
        buffer, [&](ImportedEntry& entry) { importer.Add(entry, error); }, error);
    return 0;
}
