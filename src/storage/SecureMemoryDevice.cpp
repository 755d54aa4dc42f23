// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/SecureMemoryDevice.h"

#include <sodium.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {
// Whole pages, so that locking a block and keeping it out of core dumps covers exactly that block.
constexpr size_t kPageAlignment = 4096;
} // namespace

SecureMemoryDevice::~SecureMemoryDevice() {
    for (char* block : m_blocks) {
        sodium_munlock(block, size_t(kBlockSize)); // wipes the bytes before unlocking
        std::free(block);
    }
}

char* SecureMemoryDevice::NextBlock() {
    if (m_size < qint64(m_blocks.size()) * kBlockSize)
        return nullptr;
    auto* block = static_cast<char*>(std::aligned_alloc(kPageAlignment, size_t(kBlockSize)));
    if (!block)
        throw std::bad_alloc();
    m_blocks.reserve(m_blocks.size() + 1);
    // sodium_mlock() also keeps the pages out of core dumps; failing to lock (a limit on locked memory) is allowed.
    sodium_mlock(block, size_t(kBlockSize));
    m_blocks.push_back(block);
    return block;
}

void SecureMemoryDevice::Fill(qint64 size) {
    if (!m_blocks.empty())
        m_size = (qint64(m_blocks.size()) - 1) * kBlockSize + std::clamp<qint64>(size, 0, kBlockSize);
}

void SecureMemoryDevice::Finish() {
    open(QIODevice::ReadOnly);
}

qint64 SecureMemoryDevice::readData(char* data, qint64 maxSize) {
    qint64 copied = 0;
    for (qint64 at = pos(); copied < maxSize && at < m_size;) {
        const qint64 offset = at % kBlockSize;
        const qint64 length = std::min({maxSize - copied, kBlockSize - offset, m_size - at});
        std::memcpy(data + copied, m_blocks[size_t(at / kBlockSize)] + offset, size_t(length));
        copied += length;
        at += length;
    }
    return copied;
}
