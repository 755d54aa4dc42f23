// SPDX-License-Identifier: GPL-3.0-or-later
// Opens the input as a compound file and reads everything in it: every storage, every stream to its end.
#include "document/cfb/CfbReader.h"

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(reinterpret_cast<const char*>(data), qsizetype(size));
    buffer->open(QIODevice::ReadOnly);
    QString error;
    const std::shared_ptr<CfbReader> reader = CfbReader::Open(std::move(buffer), error);
    if (!reader)
        return 0;
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
    return 0;
}
