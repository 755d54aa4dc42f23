// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/HashingDevice.h"

#include <xxhash.h>

namespace {
void FreeState(XXH3_state_s* state) {
    XXH3_freeState(state);
}
} // namespace

HashingDevice::HashingDevice(QIODevice& inner, OpenMode mode)
    : m_inner(inner), m_state(XXH3_createState(), &FreeState) {
    if (!m_state)
        throw std::bad_alloc();
    XXH3_128bits_reset(m_state.get());
    open(mode | Unbuffered);
}

HashingDevice::~HashingDevice() = default;

qint64 HashingDevice::readData(char* data, qint64 maxSize) {
    const qint64 got = m_inner.read(data, maxSize);
    if (got > 0)
        XXH3_128bits_update(m_state.get(), data, size_t(got));
    else if (got < 0)
        setErrorString(m_inner.errorString());
    return got;
}

qint64 HashingDevice::writeData(const char* data, qint64 maxSize) {
    const qint64 written = m_inner.write(data, maxSize);
    if (written > 0)
        XXH3_128bits_update(m_state.get(), data, size_t(written));
    else if (written < 0)
        setErrorString(m_inner.errorString());
    return written;
}

QByteArray HashingDevice::Finish() {
    if (openMode() & ReadOnly) {
        char buffer[16384];
        for (;;) {
            const qint64 got = read(buffer, sizeof buffer);
            if (got < 0)
                return QByteArray();
            if (got == 0)
                break;
        }
    }
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(m_state.get()));
    return QByteArray(reinterpret_cast<const char*>(canonical.digest), sizeof canonical.digest);
}

QByteArray HashingDevice::HashAll(QIODevice& device) {
    HashingDevice hashing(device, ReadOnly);
    return hashing.Finish();
}
