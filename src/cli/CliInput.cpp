// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliInput.h"

#include <QString>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <unistd.h>

CliInput::CliInput(int fd) : m_fd(fd) {
    QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 CliInput::readData(char* data, qint64 maxSize) {
    for (;;) {
        const ssize_t got = ::read(m_fd, data, size_t(std::min<qint64>(maxSize, SSIZE_MAX)));
        if (got >= 0)
            return got;
        if (errno != EINTR) {
            setErrorString(QString::fromLocal8Bit(std::strerror(errno)));
            return -1;
        }
    }
}

qint64 CliInput::writeData(const char*, qint64) {
    return -1;
}
