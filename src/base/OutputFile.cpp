// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/OutputFile.h"

#include "base/TempFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace {
// Bytes gathered before they go to the file: an export hands over one card at a time.
constexpr qsizetype kBufferSize = 64 * 1024;
constexpr int kNameTries = 100;

QString Shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// A link is followed, so that the file it names gets the contents and the link stays a link.
QString Target(const QString& path) {
    const QFileInfo info(path);
    if (!info.isSymLink())
        return info.absoluteFilePath();
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

// Links lead on from link to link up to this many, as in the kernel.
constexpr int kMostLinks = 40;

// While alive, a write into a pipe whose reader has gone fails with EPIPE, which is reported like any other failure,
// instead of ending the program by SIGPIPE. A SIGPIPE that such a write raised is taken back before the old mask
// returns.
class PipeSignalHeld {
public:
    PipeSignalHeld() {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        sigset_t pending;
        sigemptyset(&pending);
        sigpending(&pending);
        m_wasPending = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &m_pipe, &m_saved);
    }
    ~PipeSignalHeld() {
        if (!m_wasPending) {
            const timespec none{};
            sigtimedwait(&m_pipe, nullptr, &none);
        }
        pthread_sigmask(SIG_SETMASK, &m_saved, nullptr);
    }
    PipeSignalHeld(const PipeSignalHeld&) = delete;
    PipeSignalHeld& operator=(const PipeSignalHeld&) = delete;

private:
    sigset_t m_pipe{};
    sigset_t m_saved{};
    bool m_wasPending = false;
};
} // namespace

OutputFile::OutputFile(const QString& path) : m_path(path) {}

OutputFile::~OutputFile() {
    Discard();
}

bool OutputFile::Open() {
    if (isOpen() || !FollowLinks())
        return false;
    m_target = Target(m_path);
    struct stat existing {};
    if (stat(QFile::encodeName(m_target).constData(), &existing) != 0) {
        if (errno != ENOENT)
            return Fail(QStringLiteral("cannot open \"%1\"").arg(Shown(m_target)), errno);
        if (!OpenReplacement(m_target, nullptr))
            return false;
    } else if (S_ISREG(existing.st_mode)) {
        if (!OpenReplacement(m_target, &existing))
            return false;
    } else if (S_ISCHR(existing.st_mode) || S_ISBLK(existing.st_mode) || S_ISFIFO(existing.st_mode)) {
        if (!OpenDirect(m_target))
            return false;
    } else {
        const QString what = S_ISDIR(existing.st_mode)    ? QStringLiteral("\"%1\" is a folder")
                             : S_ISSOCK(existing.st_mode) ? QStringLiteral("\"%1\" is a socket, not a file")
                                                          : QStringLiteral("\"%1\" is not a file that can be written");
        setErrorString(what.arg(Shown(m_target)));
        m_failed = true;
        return false;
    }
    m_buffer.reserve(kBufferSize);
    return QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

bool OutputFile::MayFollowLink(uid_t linkOwner, uid_t folderOwner, mode_t folderMode, uid_t caller) {
    const bool openToAll = (folderMode & S_ISVTX) && (folderMode & S_IWOTH);
    return !openToAll || linkOwner == caller || linkOwner == folderOwner;
}

// Every link on the way to the target is checked where it lies.
bool OutputFile::FollowLinks() {
    QString path = QFileInfo(m_path).absoluteFilePath();
    for (int hop = 0; hop < kMostLinks; ++hop) {
        struct stat link {};
        struct stat folder {};
        const QFileInfo info(path);
        if (lstat(QFile::encodeName(path).constData(), &link) != 0 || !S_ISLNK(link.st_mode))
            return true;
        if (stat(QFile::encodeName(info.absolutePath()).constData(), &folder) != 0)
            return true; // opening says why
        if (!MayFollowLink(link.st_uid, folder.st_uid, folder.st_mode, geteuid())) {
            setErrorString(QStringLiteral("\"%1\" is a link that another user made in \"%2\", a folder everyone may "
                                          "write to; it was not followed, since it could send the data to a file of "
                                          "that user's choosing")
                               .arg(Shown(path), Shown(info.absolutePath())));
            m_failed = true;
            return false;
        }
        path = info.symLinkTarget();
    }
    return true;
}

// A device or a pipe is the user's way of sending the bytes somewhere else: replacing it would take that away (and,
// for root, replace a device of the whole machine).
bool OutputFile::OpenDirect(const QString& target) {
    const QByteArray native = QFile::encodeName(target);
    do {
        m_fd = ::open(native.constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0)
        return Fail(QStringLiteral("cannot open \"%1\"").arg(Shown(target)), errno);
    struct stat opened {};
    if (fstat(m_fd, &opened) == 0 && S_ISREG(opened.st_mode)) {
        // Put there since it was looked at: a regular file is never written over in place.
        ::close(std::exchange(m_fd, -1));
        return OpenReplacement(target, &opened);
    }
    return true;
}

// The new file takes the place of the old one only once it is complete, so a failure leaves the old one untouched.
bool OutputFile::OpenReplacement(const QString& target, const struct stat* existing) {
    const QDir folder = QFileInfo(target).absoluteDir();
    const QString what = existing ? QStringLiteral("cannot replace \"%1\" by a new file beside it")
                                  : QStringLiteral("cannot create \"%1\"");
    QString tempPath;
    for (int i = 0; i < kNameTries && m_fd < 0; ++i) {
        tempPath = folder.filePath(
            QStringLiteral(".korvel-%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0')));
        m_fd = ::open(QFile::encodeName(tempPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (m_fd < 0 && errno != EEXIST)
            return Fail(what.arg(Shown(target)), errno);
    }
    if (m_fd < 0)
        return Fail(what.arg(Shown(target)), EEXIST);
    m_tempPath = tempPath;
    const bool ours = existing && existing->st_uid == geteuid();
    if (!ours)
        return fchmod(m_fd, 0600) == 0 || Fail(what.arg(Shown(target)), errno);
    // Group first: changing it may clear the set-id bits that the mode then puts back.
    struct stat made {};
    if (fstat(m_fd, &made) != 0)
        return Fail(what.arg(Shown(target)), errno);
    if (made.st_gid != existing->st_gid && fchown(m_fd, uid_t(-1), existing->st_gid) != 0)
        return Fail(QStringLiteral("cannot keep the group of \"%1\"").arg(Shown(target)), errno);
    if (fchmod(m_fd, existing->st_mode & 07777) != 0)
        return Fail(QStringLiteral("cannot keep the permissions of \"%1\"").arg(Shown(target)), errno);
    return true;
}

bool OutputFile::Commit() {
    if (!isOpen() || m_failed || !FlushBuffer())
        return false;
    if (!m_tempPath.isEmpty())
        return CommitReplacement();
    if (::close(std::exchange(m_fd, -1)) != 0 && errno != EINTR)
        return Fail(QStringLiteral("cannot write \"%1\"").arg(Shown(m_target)), errno);
    QIODevice::close();
    return true;
}

bool OutputFile::CommitReplacement() {
    const QString what = QStringLiteral("cannot write \"%1\"").arg(Shown(m_target));
    if (TempFiles::Sync(m_fd) != 0)
        return Fail(what, errno);
    if (::close(std::exchange(m_fd, -1)) != 0 && errno != EINTR)
        return Fail(what, errno);
    if (rename(QFile::encodeName(m_tempPath).constData(), QFile::encodeName(m_target).constData()) != 0)
        return Fail(QStringLiteral("cannot replace \"%1\"").arg(Shown(m_target)), errno);
    m_tempPath.clear();
    QString error;
    if (!TempFiles::SyncFolder(m_target, error)) {
        setErrorString(error);
        m_failed = true;
        return false;
    }
    QIODevice::close();
    return true;
}

qint64 OutputFile::readData(char*, qint64) {
    return -1;
}

qint64 OutputFile::writeData(const char* data, qint64 size) {
    if (m_failed || m_fd < 0)
        return -1;
    if (m_buffer.size() + size > kBufferSize && !FlushBuffer())
        return -1;
    if (size >= kBufferSize)
        return WriteAll(data, size) ? size : -1;
    m_buffer.append(data, size);
    return size;
}

bool OutputFile::FlushBuffer() {
    const bool written = WriteAll(m_buffer.constData(), m_buffer.size());
    m_buffer.resize(0);
    return written;
}

bool OutputFile::WriteAll(const char* data, qint64 size) {
    const PipeSignalHeld held;
    while (size > 0) {
        const ssize_t written = ::write(m_fd, data, size_t(std::min<qint64>(size, SSIZE_MAX)));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return Fail(QStringLiteral("cannot write \"%1\"").arg(Shown(m_target)), written < 0 ? errno : EIO);
        data += written;
        size -= written;
    }
    return true;
}

bool OutputFile::Fail(const QString& what, int code) {
    setErrorString(what + QStringLiteral(": ") + TempFiles::SystemError(code));
    m_failed = true;
    Discard();
    return false;
}

void OutputFile::Discard() {
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    if (!m_tempPath.isEmpty())
        unlink(QFile::encodeName(std::exchange(m_tempPath, QString())).constData());
}
