// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds the reader of sealed wallet files two kinds of input, chosen by the first byte: arbitrary bytes taken as a
// sealed file, and the rest sealed properly and then damaged at a place and with a mask the input chooses. A damaged
// file must never open, and an undamaged one must give back exactly what was sealed.
#include "storage/SealKey.h"
#include "storage/SealedReader.h"
#include "storage/SealingWriter.h"
#include "storage/SecureMemoryDevice.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {
const SealKey& Key() {
    static const std::shared_ptr<const SealKey> key = [] {
        QString error;
        return SealKey::Create(QStringLiteral("fuzzing passphrase"), {1, 8}, error);
    }();
    return *key;
}

std::unique_ptr<SecureMemoryDevice> Read(QByteArray& sealed) {
    QBuffer file(&sealed);
    file.open(QIODevice::ReadOnly);
    SealedReader::Result result;
    QString error;
    return SealedReader::Open(file, Key(), result, error);
}

void DamageSealed(const uint8_t* data, size_t size) {
    if (size < 5)
        return;
    quint32 where = 0;
    std::memcpy(&where, data, 4);
    const uint8_t mask = data[4];
    const QByteArray plain(reinterpret_cast<const char*>(data + 5), qsizetype(size - 5));
    QByteArray sealed;
    {
        QBuffer out(&sealed);
        out.open(QIODevice::WriteOnly);
        SealingWriter writer(out, Key());
        writer.write(plain);
        if (!writer.Finish())
            std::abort();
    }
    const qsizetype at = qsizetype(where % quint32(sealed.size()));
    sealed[at] = char(sealed[at] ^ mask);
    const std::unique_ptr<SecureMemoryDevice> opened = Read(sealed);
    if (mask != 0 && opened)
        std::abort(); // damage went unnoticed
    if (mask == 0 && (!opened || opened->readAll() != plain))
        std::abort(); // a sound file read back wrong
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    if (data[0] & 1) {
        DamageSealed(data + 1, size - 1);
        return 0;
    }
    QByteArray sealed(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    Read(sealed);
    return 0;
}
