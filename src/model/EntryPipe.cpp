// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/EntryPipe.h"

#include <utility>

EntryPipe::EntryPipe(std::size_t capacity, qint64 maxBytes) : m_capacity(capacity), m_maxBytes(maxBytes) {}

bool EntryPipe::Push(Batch&& batch, qint64 bytes) {
    std::vector<Batch> returned;
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] {
        return m_abandoned || m_batches.empty() || (m_batches.size() < m_capacity && m_bytes + bytes <= m_maxBytes);
    });
    if (m_abandoned)
        return false;
    m_batches.push_back(std::move(batch));
    m_batchBytes.push_back(bytes);
    m_bytes += bytes;
    returned.swap(m_returned);
    m_changed.notify_all();
    lock.unlock();
    return true; // `returned` is freed here, on the reader's thread
}

void EntryPipe::Close() {
    const std::lock_guard lock(m_mutex);
    m_closed = true;
    m_changed.notify_all();
}

bool EntryPipe::Pop(Batch& batch) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_closed || !m_batches.empty(); });
    if (m_batches.empty())
        return false;
    batch = std::move(m_batches.front());
    m_batches.pop_front();
    m_bytes -= m_batchBytes.front();
    m_batchBytes.pop_front();
    m_changed.notify_all();
    return true;
}

void EntryPipe::Return(Batch&& batch) {
    const std::lock_guard lock(m_mutex);
    if (!m_closed)
        m_returned.push_back(std::move(batch));
}

void EntryPipe::Abandon() {
    const std::lock_guard lock(m_mutex);
    m_abandoned = true;
    m_batches.clear();
    m_batchBytes.clear();
    m_bytes = 0;
    m_changed.notify_all();
}
