// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIODevice>

#include <vector>

// Bytes that must not outlive their use: the decrypted contents of a sealed wallet. The memory is locked against
// swapping where the system allows (a large wallet may pass the limit of locked memory; then it stays unlocked but is
// still kept out of core dumps) and wiped when the device goes. It grows a block at a time as the contents arrive, so
// a file only claiming to be large never gets memory it has not earned; once filled, it is read like a file.
class SecureMemoryDevice : public QIODevice {
public:
    // The most one block holds: one chunk of a sealed file.
    static constexpr qint64 kBlockSize = 64 * 1024;

    SecureMemoryDevice() = default;
    ~SecureMemoryDevice() override;
    SecureMemoryDevice(const SecureMemoryDevice&) = delete;
    SecureMemoryDevice& operator=(const SecureMemoryDevice&) = delete;

    // A new block of kBlockSize bytes after the ones filled so far, or null while the last block is not full (only
    // the last may be short). Throws std::bad_alloc when there is no memory. Its bytes count as contents only once
    // Fill() says how many of them were used.
    char* NextBlock();
    // The first `size` bytes of the block last handed out hold contents.
    void Fill(qint64 size);
    // All contents are in: the device opens for reading.
    void Finish();

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_size; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    std::vector<char*> m_blocks;
    qint64 m_size = 0;
};
