// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the reader of KeePass 2 XML exports, and every entry it hands over to the mapping into a
// wallet.
#include "ImportFuzzing.h"

#include "model/KeePassXmlReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Attached files are capped well below the fuzzer's allocation limit, which a packed file may otherwise reach.
    KeePassXmlReader reader(true, {16 * ImportLimits::kMiB, 64 * ImportLimits::kMiB});
    return FuzzImport(data, size, reader);
}
