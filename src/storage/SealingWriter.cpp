// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/SealingWriter.h"

#include "storage/SealKey.h"
#include "storage/SealedHeader.h"

#include <algorithm>
#include <cstring>
#include <new>

SealingWriter::SealingWriter(QIODevice& out, const SealKey& key)
    : m_out(out), m_sealed(SealedHeader::kChunkSize + crypto_secretstream_xchacha20poly1305_ABYTES, '\0') {
    if (sodium_init() < 0 || !(m_plain = static_cast<unsigned char*>(sodium_malloc(SealedHeader::kChunkSize))))
        throw std::bad_alloc();
    SealedHeader header;
    header.operations = key.DerivationCosts().operations;
    header.memoryKiB = key.DerivationCosts().memoryKiB;
    header.salt = key.Salt();
    header.streamHeader = QByteArray(SealedHeader::kStreamHeaderSize, '\0');
    crypto_secretstream_xchacha20poly1305_init_push(
        &m_state, reinterpret_cast<unsigned char*>(header.streamHeader.data()), key.Bytes());
    m_header = header.Serialize();
    open(QIODevice::WriteOnly);
    if (m_out.write(m_header) != m_header.size())
        Fail(m_out.errorString());
}

SealingWriter::~SealingWriter() {
    sodium_free(m_plain);
    sodium_memzero(&m_state, sizeof m_state);
}

bool SealingWriter::Fail(const QString& why) {
    m_failed = true;
    setErrorString(why);
    return false;
}

// A full chunk is sealed only once more bytes come, since the last chunk, full or not, must carry the final tag.
qint64 SealingWriter::writeData(const char* data, qint64 length) {
    if (m_failed)
        return -1;
    for (qint64 done = 0; done < length;) {
        if (m_held == SealedHeader::kChunkSize && !Push(crypto_secretstream_xchacha20poly1305_TAG_MESSAGE))
            return -1;
        const qint64 part = std::min(length - done, SealedHeader::kChunkSize - m_held);
        std::memcpy(m_plain + m_held, data + done, size_t(part));
        m_held += part;
        done += part;
    }
    return length;
}

bool SealingWriter::Push(unsigned char tag) {
    unsigned long long size = 0;
    crypto_secretstream_xchacha20poly1305_push(
        &m_state, reinterpret_cast<unsigned char*>(m_sealed.data()), &size, m_plain, quint64(m_held),
        m_first ? reinterpret_cast<const unsigned char*>(m_header.constData()) : nullptr,
        m_first ? quint64(m_header.size()) : 0, tag);
    sodium_memzero(m_plain, size_t(m_held));
    m_held = 0;
    m_first = false;
    if (m_out.write(m_sealed.constData(), qint64(size)) != qint64(size))
        return Fail(m_out.errorString());
    return true;
}

bool SealingWriter::Finish() {
    return !m_failed && Push(crypto_secretstream_xchacha20poly1305_TAG_FINAL);
}
