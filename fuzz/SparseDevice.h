// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QIODevice>

#include <algorithm>
#include <cstring>

// Read-only bytes followed by zeros up to a much larger size, as a sparse file holds them: the fuzzed bytes can then
// claim counts and sizes that only a file of terabytes allows, while all they hold is a few kilobytes.
class SparseDevice : public QIODevice {
public:
    SparseDevice(QByteArray head, qint64 size) : m_head(std::move(head)), m_size(size) { open(ReadOnly); }

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_size; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 n = std::clamp<qint64>(m_size - pos(), 0, maxSize);
        const qint64 fromHead = std::clamp<qint64>(m_head.size() - pos(), 0, n);
        std::memcpy(data, m_head.constData() + pos(), size_t(fromHead));
        std::memset(data + fromHead, 0, size_t(n - fromHead));
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_head;
    qint64 m_size;
};
