// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/cfb/CfbFileLock.h"

#include "base/TempFiles.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Another commit may have renamed a new file over the path between our open() and our lock; then the new file is
// tried, a few times at most.
constexpr int kLockAttempts = 3;

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool PathNames(const QByteArray& path, int fd) {
    struct stat byPath {};
    struct stat byFd {};
    return stat(path.constData(), &byPath) == 0 && fstat(fd, &byFd) == 0 && SameFile(byPath, byFd);
}

QString Shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

} // namespace

CfbFileLock::~CfbFileLock() {
    Release();
}

bool CfbFileLock::Acquire(const QString& path, bool shared, QString& error) {
    const QByteArray name = QFile::encodeName(path);
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        const int fd = open(name.constData(), O_RDONLY | O_CLOEXEC);
        struct stat info {};
        if (fd < 0 || fstat(fd, &info) != 0) {
            error = QStringLiteral("cannot open \"%1\": %2").arg(Shown(path), TempFiles::SystemError(errno));
            if (fd >= 0)
                close(fd);
            return false;
        }
        if (!S_ISREG(info.st_mode)) {
            close(fd);
            error = QStringLiteral("\"%1\" is not a regular file").arg(Shown(path));
            return false;
        }
        if (flock(fd, (shared ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
            const int code = errno;
            close(fd);
            error = code == EWOULDBLOCK
                        ? QStringLiteral("\"%1\" is in use: another program or window has it open").arg(Shown(path))
                        : QStringLiteral("cannot lock \"%1\": %2").arg(Shown(path), TempFiles::SystemError(code));
            return false;
        }
        if (PathNames(name, fd)) {
            Adopt(fd);
            return true;
        }
        close(fd);
    }
    error = QStringLiteral("\"%1\" kept changing while it was being opened").arg(Shown(path));
    return false;
}

void CfbFileLock::Adopt(int fd) {
    Release();
    m_fd = fd;
}

void CfbFileLock::Release() {
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
}

int CfbFileLock::OpenForReading(const QString& path, QString& error) const {
    const int fd = open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    struct stat mine {};
    struct stat other {};
    if (fd >= 0 && fstat(m_fd, &mine) == 0 && fstat(fd, &other) == 0 && SameFile(mine, other))
        return fd;
    error = fd < 0 ? QStringLiteral("cannot open \"%1\": %2").arg(Shown(path), TempFiles::SystemError(errno))
                   : QStringLiteral("\"%1\" was replaced while it was being opened").arg(Shown(path));
    if (fd >= 0)
        close(fd);
    return -1;
}

bool CfbFileLock::Status(struct stat& info) const {
    return m_fd >= 0 && fstat(m_fd, &info) == 0;
}
