// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/RunFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>

namespace {
const QString kPrefix = QStringLiteral("run-");
const QString kLockSuffix = QStringLiteral(".lock");
constexpr int kNameTries = 16;

QString LockPath(const QString& folder) {
    return folder + kLockSuffix;
}

// A lock that outlives a run only by a crash: its process has ended, so it is stale whatever its age. One of a run
// still going is held by that run's flock() and its living process, and is refused.
std::unique_ptr<QLockFile> TakeLock(const QString& folder) {
    auto lock = std::make_unique<QLockFile>(LockPath(folder));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}
} // namespace

RunFolder::RunFolder(const QString& parent) : m_parent(parent) {}

// The lock goes last, so that no cleanup takes the folder for a leftover while it is being removed.
RunFolder::~RunFolder() {
    if (!m_path.isEmpty())
        QDir(m_path).removeRecursively();
}

QString RunFolder::Path() {
    if (!m_path.isEmpty() || m_parent.isEmpty())
        return m_path;
    for (int i = 0; i < kNameTries; ++i) {
        const QString folder =
            QDir(m_parent).filePath(QStringLiteral("%1%2-%3")
                                        .arg(kPrefix)
                                        .arg(QCoreApplication::applicationPid())
                                        .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        std::unique_ptr<QLockFile> lock = TakeLock(folder);
        if (!lock)
            continue;
        // A crashed run of the same name may have left its folder: what it holds is not ours to show.
        QDir(folder).removeRecursively();
        if (!QDir().mkdir(folder))
            return QString();
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_lock = std::move(lock);
        m_path = QDir(folder).absolutePath();
        break;
    }
    return m_path;
}

// A run makes its lock before its folder, so a folder whose lock can be taken belongs to no running run; a lock can
// also be left without its folder, by a crash between the two.
void RunFolder::RemoveLeftovers(const QString& parent) {
    if (parent.isEmpty())
        return;
    const QDir dir(parent);
    const QStringList names = dir.entryList({kPrefix + u'*'}, QDir::Dirs | QDir::Files | QDir::Hidden | QDir::System |
                                                                  QDir::NoDotAndDotDot | QDir::NoSymLinks);
    QStringList runs;
    for (const QString& name : names) {
        const QString run = name.endsWith(kLockSuffix) ? name.chopped(kLockSuffix.size()) : name;
        if (!run.contains(u'.') && !runs.contains(run))
            runs.append(run);
    }
    for (const QString& run : std::as_const(runs)) {
        const QString folder = dir.filePath(run);
        const std::unique_ptr<QLockFile> lock = TakeLock(folder);
        if (lock && QFileInfo(folder).isDir() && !QFileInfo(folder).isSymLink())
            QDir(folder).removeRecursively();
    }
}
