// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the reader of KeePass 2 XML exports, and every entry it hands over to the mapping into a
// wallet.
#include "ImportFuzzing.h"

#include "model/KeePassXmlReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    KeePassXmlReader reader(true, kFuzzLimits);
    return FuzzImport(data, size, reader);
}
