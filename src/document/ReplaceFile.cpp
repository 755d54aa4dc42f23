// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/ReplaceFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
QString LeftoverPrefix(const QFileInfo& file) {
    return QStringLiteral(".") + file.fileName() + QStringLiteral(".korvel-");
}

void SyncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
} // namespace

bool ReplaceFile(const QString& from, const QString& to, QString& error) {
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    SyncFolder(QFileInfo(to).absolutePath());
    return true;
}

QString UniqueSiblingName(const QString& path) {
    const QFileInfo file(path);
    for (;;) {
        const QString candidate = file.dir().filePath(
            LeftoverPrefix(file) + QString::number(QRandomGenerator::global()->generate64(), 36));
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

void RemoveLeftovers(const QString& path) {
    const QFileInfo file(path);
    const QStringList names =
        file.dir().entryList({LeftoverPrefix(file) + QStringLiteral("*")}, QDir::Files | QDir::Hidden);
    for (const QString& name : names)
        QFile::remove(file.dir().filePath(name));
}
