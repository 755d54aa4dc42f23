// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the reader of template files.
#include "base/FieldCipher.h"
#include "model/CArchive.h"
#include "model/CArchiveException.h"
#include "model/CCardTemplate.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    CCardTemplate cardTemplate;
    try {
        // Under the method a new wallet has, which takes every text through the block cipher.
        CArchive archive(buffer, CArchive::Mode::Load, FieldCipher::BlockOnly);
        cardTemplate.Serialize(archive);
    } catch (const CArchiveException&) {
    }
    return 0;
}
