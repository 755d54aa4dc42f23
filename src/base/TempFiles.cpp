// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/TempFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace {

const QString kCommitKind = QStringLiteral(".kvtmp-");
const QString kSpoolKind = QStringLiteral(".kvspool-");
constexpr int kRandomLength = 6;

QString Prefix(const QFileInfo& info) {
    return QLatin1Char('.') + info.fileName();
}

TempFiles::SyncObserver& Observer() {
    static TempFiles::SyncObserver observer;
    return observer;
}

TempFiles::FaultInjector& Injector() {
    static TempFiles::FaultInjector injector;
    return injector;
}

bool IsLeftover(const QString& name, const QString& prefix) {
    for (const QString& kind : {kCommitKind, kSpoolKind}) {
        if (name.size() == prefix.size() + kind.size() + kRandomLength && name.startsWith(prefix + kind))
            return true;
    }
    return false;
}

} // namespace

QString TempFiles::SystemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

int TempFiles::CreateUnique(const QString& path, const QString& kind, QString& tempPath, QString& error) {
    const QFileInfo info(path);
    QByteArray pattern = QFile::encodeName(info.absoluteDir().filePath(Prefix(info) + kind));
    pattern += QByteArray(kRandomLength, 'X');
    const int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        error = QStringLiteral("cannot make a temporary file in \"%1\": %2")
                    .arg(QDir::toNativeSeparators(info.absolutePath()), SystemError(errno));
        return -1;
    }
    // Held from birth, so that a cleanup running beside us never takes it for a leftover.
    flock(fd, LOCK_EX | LOCK_NB);
    tempPath = QFile::decodeName(pattern);
    return fd;
}

int TempFiles::CreateCommitFile(const QString& path, QString& tempPath, QString& error) {
    if (Injected(Step::CreateFile)) {
        error = QStringLiteral("cannot make a temporary file: %1").arg(SystemError(errno));
        return -1;
    }
    const int fd = CreateUnnamed(path);
    if (fd >= 0) {
        tempPath.clear();
        return fd;
    }
    return CreateUnique(path, kCommitKind, tempPath, error);
}

// An unnamed file is linked in later through /proc, which needs no privilege; without /proc it could never get a
// name, so none is made.
int TempFiles::CreateUnnamed(const QString& path) {
    if (access("/proc/self/fd", X_OK) != 0)
        return -1;
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        flock(fd, LOCK_EX | LOCK_NB);
    return fd;
}

bool TempFiles::NameCommitFile(int fd, const QString& path, QString& tempPath, QString& error) {
    if (!tempPath.isEmpty())
        return true;
    const QFileInfo info(path);
    const QByteArray source = QByteArrayLiteral("/proc/self/fd/") + QByteArray::number(fd);
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString name = Prefix(info) + kCommitKind;
        for (int i = 0; i < kRandomLength; ++i)
            name += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))]);
        const QString candidate = info.absoluteDir().filePath(name);
        if (linkat(AT_FDCWD, source.constData(), AT_FDCWD, QFile::encodeName(candidate).constData(),
                   AT_SYMLINK_FOLLOW) == 0) {
            tempPath = candidate;
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    error = QStringLiteral("cannot name the new file in \"%1\": %2")
                .arg(QDir::toNativeSeparators(info.absolutePath()), SystemError(errno));
    return false;
}

int TempFiles::CreateSpoolFile(const QString& path, QString& error) {
    QString spoolPath;
    const int fd = CreateUnique(path, kSpoolKind, spoolPath, error);
    if (fd >= 0)
        unlink(QFile::encodeName(spoolPath).constData());
    return fd;
}

void TempFiles::RemoveLeftovers(const QString& path) {
    const QFileInfo info(path);
    const QDir folder = info.absoluteDir();
    const QString prefix = Prefix(info);
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (!IsLeftover(name, prefix))
            continue;
        const QByteArray file = QFile::encodeName(folder.filePath(name));
        const int fd = open(file.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0)
            unlink(file.constData());
        close(fd);
    }
}

void TempFiles::SetSyncObserver(SyncObserver observer) {
    Observer() = std::move(observer);
}

// The observer must not disturb the caller's view of errno.
void TempFiles::Notify(Flushed what, int fd, const QString& path) {
    if (!Observer())
        return;
    const int saved = errno;
    Observer()(what, fd, path);
    errno = saved;
}

void TempFiles::SetFaultInjector(FaultInjector injector) {
    Injector() = std::move(injector);
}

bool TempFiles::Injected(Step step) {
    const int code = Injector() ? Injector()(step) : 0;
    if (code != 0)
        errno = code;
    return code != 0;
}

int TempFiles::Sync(int fd) {
    if (Injected(Step::SyncFile))
        return -1;
    const int result = fsync(fd);
    Notify(Flushed::File, fd, QString());
    return result;
}

bool TempFiles::SyncFolder(const QString& path, QString& error) {
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = Injected(Step::SyncFolder) ? -1 : open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = fd >= 0 && fsync(fd) == 0;
    if (!synced)
        error = QStringLiteral("cannot flush the folder \"%1\": %2").arg(QFile::decodeName(folder), SystemError(errno));
    if (fd >= 0)
        close(fd);
    Notify(Flushed::Folder, -1, path);
    return synced;
}
