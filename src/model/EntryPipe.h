// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ImportedEntry.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <vector>

// Entries on their way from a reader on one thread to the wallet on another. They travel in batches, so the two
// threads meet once per batch rather than once per entry, and the pipe holds at most `capacity` batches and, unless it
// holds a single batch, at most `maxBytes`, so the reader runs only that far ahead and memory stays bounded by the
// wallet being built.
class EntryPipe {
public:
    using Batch = std::vector<ImportedEntry>;

    EntryPipe(std::size_t capacity, qint64 maxBytes);

    // The reader's side: waits while the pipe is full. False once the taker has given up; the batch is dropped.
    // `bytes` is what the batch's entries hold.
    bool Push(Batch&& batch, qint64 bytes);
    // No more entries will come.
    void Close();

    // The taker's side: waits for the next batch; false once the pipe is closed and empty.
    bool Pop(Batch& batch);
    // The taker wants no more; a waiting reader is let go.
    void Abandon();
    // Gives a batch that was taken back to the reader's side, where it is freed: memory goes back on the thread that
    // took it, and the two threads' allocators do not wait on each other.
    void Return(Batch&& batch);

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch> m_batches;
    std::deque<qint64> m_batchBytes;
    std::vector<Batch> m_returned;
    std::size_t m_capacity;
    qint64 m_maxBytes;
    qint64 m_bytes = 0;
    bool m_closed = false;
    bool m_abandoned = false;
};
