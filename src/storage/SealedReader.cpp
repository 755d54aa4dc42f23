// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/SealedReader.h"

#include "storage/SealKey.h"
#include "storage/SealedHeader.h"
#include "storage/SecureMemoryDevice.h"

#include <QIODevice>

#include <sodium.h>

#include <new>

namespace {
constexpr qint64 kSealedChunk = SealedHeader::kChunkSize + crypto_secretstream_xchacha20poly1305_ABYTES;

SealedReader::Result Damaged(QString& error, const QString& why) {
    error = why;
    return SealedReader::Result::Damaged;
}
} // namespace

// The memory grows a chunk at a time as chunks authenticate: a file that only claims to be large (a hole after a
// genuine start) costs no more than what was authenticated.
std::unique_ptr<SecureMemoryDevice> SealedReader::Open(QIODevice& file, const SealKey& key, Result& result,
                                                       QString& error) {
    auto out = std::make_unique<SecureMemoryDevice>();
    try {
        result = Read(file, key, *out, false, error);
    } catch (const std::bad_alloc&) {
        result = Damaged(error, QStringLiteral("there is not enough memory to open the sealed file"));
    }
    if (result != Result::Opened)
        return nullptr;
    out->Finish();
    return out;
}

SealedReader::Result SealedReader::CheckKey(QIODevice& file, const SealKey& key, QString& error) {
    SecureMemoryDevice out;
    try {
        return Read(file, key, out, true, error);
    } catch (const std::bad_alloc&) {
        return Damaged(error, QStringLiteral("there is not enough memory to open the sealed file"));
    }
}

SealedReader::Result SealedReader::Read(QIODevice& file, const SealKey& key, SecureMemoryDevice& out,
                                        bool firstChunkOnly, QString& error) {
    if (sodium_init() < 0)
        return Damaged(error, QStringLiteral("the cryptography library cannot start"));
    if (!file.seek(0))
        return Damaged(error, file.errorString());
    const QByteArray headerBytes = file.read(SealedHeader::kSize);
    SealedHeader header;
    if (!SealedHeader::Parse(headerBytes, header, error))
        return Result::Damaged;
    if (!key.Matches(header)) {
        error = QStringLiteral("the file was sealed with another passphrase since it was opened");
        return Result::WrongKey;
    }
    crypto_secretstream_xchacha20poly1305_state state;
    crypto_secretstream_xchacha20poly1305_init_pull(
        &state, reinterpret_cast<const unsigned char*>(header.streamHeader.constData()), key.Bytes());
    QByteArray chunk(kSealedChunk, '\0');
    static_assert(SealedHeader::kChunkSize == SecureMemoryDevice::kBlockSize);
    for (qint64 index = 0;; ++index) {
        const qint64 length = file.read(chunk.data(), kSealedChunk);
        if (length < 0)
            return Damaged(error, file.errorString());
        if (length < crypto_secretstream_xchacha20poly1305_ABYTES)
            return Damaged(error, QStringLiteral("the sealed file ends inside a chunk: it was cut short"));
        char* block = out.NextBlock();
        if (!block)
            return Damaged(error, QStringLiteral("chunk %1 of the sealed file is malformed").arg(index));
        unsigned long long size = 0;
        unsigned char tag = 0;
        const bool first = index == 0;
        if (crypto_secretstream_xchacha20poly1305_pull(
                &state, reinterpret_cast<unsigned char*>(block), &size, &tag,
                reinterpret_cast<const unsigned char*>(chunk.constData()), quint64(length),
                first ? reinterpret_cast<const unsigned char*>(headerBytes.constData()) : nullptr,
                first ? quint64(headerBytes.size()) : 0) != 0) {
            if (!first)
                return Damaged(error, QStringLiteral("chunk %1 of the sealed file does not authenticate: the file was "
                                                     "changed or damaged")
                                          .arg(index + 1));
            error = QStringLiteral("the passphrase is wrong, or the start of the file was changed");
            return Result::WrongKey;
        }
        out.Fill(qint64(size));
        if (firstChunkOnly)
            return Result::Opened;
        if (tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL) {
            if (!file.atEnd())
                return Damaged(error, QStringLiteral("bytes follow the end of the sealed file"));
            return Result::Opened;
        }
        if (tag != crypto_secretstream_xchacha20poly1305_TAG_MESSAGE || qint64(size) != SealedHeader::kChunkSize)
            return Damaged(error, QStringLiteral("chunk %1 of the sealed file is malformed").arg(index + 1));
        if (file.atEnd())
            return Damaged(error, QStringLiteral("the sealed file ends before its last chunk: it was cut short"));
    }
}
