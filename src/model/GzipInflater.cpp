// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/GzipInflater.h"

#include <zlib.h>

#include <memory>

namespace {
struct StreamEnd {
    void operator()(z_stream* stream) const { inflateEnd(stream); }
};
} // namespace

bool GzipInflater::Inflate(const QByteArray& packed, qsizetype maxSize, QByteArray& out, QString& error) {
    z_stream stream{};
    // 16 added to the window bits: a gzip header and trailer, checked.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) {
        error = QStringLiteral("zlib cannot start");
        return false;
    }
    const std::unique_ptr<z_stream, StreamEnd> guard(&stream);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData()));
    stream.avail_in = uInt(packed.size());
    out.clear();
    char buffer[16384];
    for (;;) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        const int status = inflate(&stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END) {
            error = stream.msg ? QString::fromLatin1(stream.msg) : QStringLiteral("damaged or incomplete data");
            return false;
        }
        const qsizetype produced = qsizetype(sizeof buffer - stream.avail_out);
        if (out.size() + produced > maxSize) {
            error = QStringLiteral("it unpacks to more than %1 MiB, the most allowed").arg(maxSize >> 20);
            return false;
        }
        out.append(buffer, produced);
        if (status == Z_STREAM_END)
            return true;
        if (produced == 0 && stream.avail_in == 0) {
            error = QStringLiteral("the packed data ends too early");
            return false;
        }
    }
}
