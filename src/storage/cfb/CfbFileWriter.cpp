// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/cfb/CfbFileWriter.h"

#include "base/TempFiles.h"

#include <cerrno>
#include <unistd.h>

CfbFileWriter::CfbFileWriter(int fd) : m_fd(fd) {
    m_buffer.reserve(kBufferSize);
    open(WriteOnly | Unbuffered);
}

CfbFileWriter::~CfbFileWriter() = default;

qint64 CfbFileWriter::writeData(const char* data, qint64 length) {
    if (m_buffer.size() + length > kBufferSize && !Flush())
        return -1;
    if (length >= kBufferSize)
        return WriteOut(data, length) ? length : -1;
    m_buffer.append(data, length);
    return length;
}

bool CfbFileWriter::Flush() {
    const bool written = WriteOut(m_buffer.constData(), m_buffer.size());
    m_buffer.clear();
    return written;
}

// A short write (a disk filling up) is followed by another, so that the system's reason for stopping is heard.
bool CfbFileWriter::WriteOut(const char* data, qint64 length) {
    while (length > 0) {
        const ssize_t written = ::write(m_fd, data, size_t(length));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            setErrorString(TempFiles::SystemError(written < 0 ? errno : EIO));
            return false;
        }
        data += written;
        length -= written;
    }
    return true;
}
