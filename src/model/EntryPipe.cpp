// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/EntryPipe.h"

#include <utility>

EntryPipe::EntryPipe(std::size_t capacity) : m_capacity(capacity) {}

bool EntryPipe::Push(const ImportedEntry& entry) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_abandoned || m_entries.size() < m_capacity; });
    if (m_abandoned)
        return false;
    m_entries.push_back(entry);
    if (m_entries.size() == 1)
        m_changed.notify_all();
    return true;
}

void EntryPipe::Close() {
    const std::lock_guard lock(m_mutex);
    m_closed = true;
    m_changed.notify_all();
}

bool EntryPipe::Pop(ImportedEntry& entry) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_closed || !m_entries.empty(); });
    if (m_entries.empty())
        return false;
    entry = std::move(m_entries.front());
    m_entries.pop_front();
    if (m_entries.size() == m_capacity - 1)
        m_changed.notify_all();
    return true;
}

void EntryPipe::Abandon() {
    const std::lock_guard lock(m_mutex);
    m_abandoned = true;
    m_entries.clear();
    m_changed.notify_all();
}
