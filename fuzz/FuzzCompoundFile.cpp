// SPDX-License-Identifier: GPL-3.0-or-later
// Opens the input as a compound file and reads everything in it: every storage, every stream to its end. Each input
// is read twice: as a whole file, and as the start of a sparse file of 2 TiB, where the reader may allocate no more
// than the bytes it was given justify (run with -malloc_limit_mb to catch it when it does).
#include "SparseDevice.h"
#include "storage/cfb/CfbReader.h"

#include <QBuffer>

#include <cstdint>

namespace {

void ReadStream(const CfbReader& reader, const CfbEntry& stream) {
    CfbExtentList extents;
    QString error;
    if (!reader.StreamExtents(stream, extents, error))
        return;
    QByteArray block(64 * 1024, Qt::Uninitialized);
    for (qint64 pos = 0; pos < extents.Size(); pos += block.size()) {
        if (!reader.Read(extents, pos, block.data(), std::min<qint64>(block.size(), extents.Size() - pos), error))
            return;
    }
}

void ReadAll(std::unique_ptr<QIODevice> device) {
    QString error;
    const std::shared_ptr<CfbReader> reader = CfbReader::Open(std::move(device), error);
    if (!reader)
        return;
    std::vector<quint32> storages{0};
    while (!storages.empty()) {
        const CfbEntry& storage = reader->Entry(storages.back());
        storages.pop_back();
        for (const quint32 child : storage.children) {
            if (reader->Entry(child).IsStream())
                ReadStream(*reader, reader->Entry(child));
            else
                storages.push_back(child);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    ReadAll(std::move(buffer));
    ReadAll(std::make_unique<SparseDevice>(bytes, qint64(1) << 41));
    return 0;
}
