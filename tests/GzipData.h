// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Gzip data as KeePass keeps compressed attached files, for tests and fuzzing that need packed files, bombs among
// them: `zeros` zero bytes after `bytes`, packed at zlib's best.
#include <QByteArray>

#include <zlib.h>

#include <algorithm>

inline QByteArray Gzip(const QByteArray& bytes, qint64 zeros = 0) {
    z_stream stream{};
    // 16 added to the window bits: a gzip header and trailer.
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return QByteArray();
    const QByteArray zeroBlock(1 << 20, '\0');
    QByteArray out;
    char buffer[1 << 16];
    const auto feed = [&](const QByteArray& in, qsizetype length, int flush) {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
        stream.avail_in = uInt(length);
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = sizeof buffer;
            deflate(&stream, flush);
            out.append(buffer, qsizetype(sizeof buffer - stream.avail_out));
        } while (stream.avail_out == 0);
    };
    feed(bytes, bytes.size(), Z_NO_FLUSH);
    for (qint64 left = zeros; left > 0; left -= zeroBlock.size())
        feed(zeroBlock, qsizetype(std::min<qint64>(left, zeroBlock.size())), Z_NO_FLUSH);
    feed(QByteArray(), 0, Z_FINISH);
    deflateEnd(&stream);
    return out;
}
