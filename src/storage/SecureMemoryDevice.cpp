// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/SecureMemoryDevice.h"

#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <new>

SecureMemoryDevice::SecureMemoryDevice(qint64 capacity) : m_capacity(std::max<qint64>(capacity, 1)) {
    m_data = new char[size_t(m_capacity)];
    // sodium_mlock() also keeps the pages out of core dumps; failing to lock (a limit on locked memory) is allowed.
    sodium_mlock(m_data, size_t(m_capacity));
}

SecureMemoryDevice::~SecureMemoryDevice() {
    sodium_munlock(m_data, size_t(m_capacity)); // wipes the bytes before unlocking
    delete[] m_data;
}

void SecureMemoryDevice::SetFilled(qint64 size) {
    m_size = std::clamp<qint64>(size, 0, m_capacity);
    open(QIODevice::ReadOnly);
}

qint64 SecureMemoryDevice::readData(char* data, qint64 maxSize) {
    const qint64 length = std::min(maxSize, m_size - pos());
    if (length <= 0)
        return 0;
    std::memcpy(data, m_data + pos(), size_t(length));
    return length;
}
