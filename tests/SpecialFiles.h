// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Files that are not regular files, for the tests of everything that writes a file the user names: a FIFO with a
// reader at its other end, device nodes, a small file system that fills up.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

inline bool IsFifo(const QString& path) {
    struct stat info {};
    return stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
}

inline bool IsCharacterDevice(const QString& path) {
    struct stat info {};
    return stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISCHR(info.st_mode);
}

// A FIFO made at `path`, read on a thread of its own as another program at its other end would: everything, or only
// the first `keep` bytes before the reader goes away. The reader waits for a writer without blocking in open(), so
// that it can be let go when none comes (because the code under test refused the FIFO, or wrongly replaced it).
class FifoReader {
public:
    explicit FifoReader(const QString& path, qint64 keep = -1) : m_path(QFile::encodeName(path)) {
        m_made = mkfifo(m_path.constData(), 0600) == 0;
        if (m_made)
            m_thread = std::thread([this, keep] { Read(keep); });
    }
    ~FifoReader() { Finish(); }
    FifoReader(const FifoReader&) = delete;
    FifoReader& operator=(const FifoReader&) = delete;

    bool IsMade() const { return m_made; }

    // What was read, once the writer has closed its end (or when no writer ever came).
    QByteArray Finish() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        return m_bytes;
    }

private:
    // Until a writer has come, poll() reports nothing on the FIFO; afterwards its leaving shows as the end.
    void Read(qint64 keep) {
        const int fd = open(m_path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        char block[4096];
        while (fd >= 0 && (keep < 0 || m_bytes.size() < keep)) {
            pollfd ready{fd, POLLIN, 0};
            const int events = poll(&ready, 1, 10);
            if (events == 0 && m_stop)
                break;
            if (events <= 0)
                continue;
            const qint64 want = keep < 0 ? qint64(sizeof block) : std::min<qint64>(sizeof block, keep - m_bytes.size());
            const ssize_t got = read(fd, block, size_t(want));
            if (got == 0 || (got < 0 && errno != EAGAIN))
                break;
            if (got > 0)
                m_bytes.append(block, got);
        }
        if (fd >= 0)
            close(fd);
    }

    QByteArray m_path;
    bool m_made = false;
    QByteArray m_bytes;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

// A character device that behaves as `real` (/dev/null, /dev/full) and that a test may write into without risk: a
// node of the same device in the test's `folder` where the system lets the test make one, so that code that wrongly
// replaced it would only ever replace the copy; else the real device where its folder cannot be written to, so that
// nothing can replace it. Empty when neither is possible.
inline QString SafeDevice(const QString& real, const QDir& folder) {
    struct stat info {};
    if (stat(QFile::encodeName(real).constData(), &info) != 0 || !S_ISCHR(info.st_mode))
        return QString();
    const QString node = folder.filePath(QFileInfo(real).fileName());
    if (mknod(QFile::encodeName(node).constData(), S_IFCHR | 0666, info.st_rdev) == 0) {
        const int fd = open(QFile::encodeName(node).constData(), O_WRONLY | O_CLOEXEC);
        if (fd >= 0) {
            close(fd);
            return node;
        }
        unlink(QFile::encodeName(node).constData());
    }
    return access(QFile::encodeName(QFileInfo(real).absolutePath()).constData(), W_OK) != 0 ? real : QString();
}

// A small tmpfs mounted on a folder, for a disk that fills up; mounting needs privileges, so tests skip without.
class SmallDisk {
public:
    SmallDisk(const QString& folder, qint64 bytes) : m_folder(QFile::encodeName(folder)) {
        QDir().mkpath(folder);
        const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0777";
        m_mounted = mount("korvel-test", m_folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) == 0;
    }
    ~SmallDisk() {
        if (m_mounted)
            umount2(m_folder.constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool IsMounted() const { return m_mounted; }

    // Fills the disk but for `spare` bytes (in whole pages).
    bool Fill(qint64 spare) const {
        const int fd = open(m_folder + "/filler", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const QByteArray block(4096, 'f');
        qint64 size = 0;
        ssize_t written = 0;
        while (fd >= 0 && (written = write(fd, block.constData(), size_t(block.size()))) > 0)
            size += written;
        const bool cut = fd >= 0 && ftruncate(fd, std::max<qint64>(0, size - spare)) == 0;
        if (fd >= 0)
            close(fd);
        return cut;
    }

private:
    QByteArray m_folder;
    bool m_mounted = false;
};
