// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ImportedEntry.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

// Entries on their way from a reader on one thread to the wallet on another. The pipe holds at most `capacity`
// entries, so the reader runs only that far ahead and memory stays bounded by the wallet being built.
class EntryPipe {
public:
    explicit EntryPipe(std::size_t capacity);

    // The reader's side: waits while the pipe is full. False once the taker has given up; the entry is dropped.
    bool Push(const ImportedEntry& entry);
    // No more entries will come.
    void Close();

    // The taker's side: waits for the next entry; false once the pipe is closed and empty.
    bool Pop(ImportedEntry& entry);
    // The taker wants no more; a waiting reader is let go.
    void Abandon();

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<ImportedEntry> m_entries;
    std::size_t m_capacity;
    bool m_closed = false;
    bool m_abandoned = false;
};
