// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIODevice>

// Bytes that must not outlive their use: the decrypted contents of a sealed wallet. The memory is locked against
// swapping where the system allows (a large wallet may pass the limit of locked memory; then it stays unlocked but is
// still kept out of core dumps) and wiped when the device goes. Filled once through Data(), then read like a file.
class SecureMemoryDevice : public QIODevice {
public:
    // Memory for up to `capacity` bytes; throws std::bad_alloc when there is not that much.
    explicit SecureMemoryDevice(qint64 capacity);
    ~SecureMemoryDevice() override;
    SecureMemoryDevice(const SecureMemoryDevice&) = delete;
    SecureMemoryDevice& operator=(const SecureMemoryDevice&) = delete;

    char* Data() { return m_data; }
    qint64 Capacity() const { return m_capacity; }
    // How many of the bytes hold contents; opens the device for reading.
    void SetFilled(qint64 size);

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_size; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    char* m_data = nullptr;
    qint64 m_capacity = 0;
    qint64 m_size = 0;
};
