// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the reader of CSV exports, and every entry it hands over to the mapping into a wallet.
#include "ImportFuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzImport(data, size, *ImportReader::Create(ImportReader::Format::Csv, true, kFuzzLimits));
}
