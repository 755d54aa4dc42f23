// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <sys/stat.h>

// A flock() on an open compound file, the guard between two processes (or two objects) that want the same file:
// readers share the file, a writer has it alone. Commits rename a new file over the path, so after locking, the path
// is checked to still name the locked file.
class CfbFileLock {
public:
    CfbFileLock() = default;
    ~CfbFileLock();
    CfbFileLock(const CfbFileLock&) = delete;
    CfbFileLock& operator=(const CfbFileLock&) = delete;

    // Opens `path` and locks it without waiting, shared or exclusive; fails when the file is missing, not a regular
    // file, or held in a way that excludes us.
    bool Acquire(const QString& path, bool shared, QString& error);
    // Takes over `fd`, already locked, and releases the lock held so far.
    void Adopt(int fd);
    void Release();
    // A separate descriptor on the locked file for reading; closing it keeps the lock. -1 with `error`.
    int OpenForReading(const QString& path, QString& error) const;
    // The status of the locked file; false when there is none.
    bool Status(struct stat& info) const;

private:
    int m_fd = -1;
};
