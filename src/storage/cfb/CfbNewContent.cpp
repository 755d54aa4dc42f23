// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/cfb/CfbNewContent.h"

#include "base/TempFiles.h"

#include <sodium.h>

#include <cerrno>
#include <cstring>
#include <unistd.h>

CfbNewContent::CfbNewContent(QString path, bool inMemory) : m_path(std::move(path)), m_inMemory(inMemory) {}

// Contents kept in memory may belong to a sealed wallet: they are wiped before the memory goes back.
CfbNewContent::~CfbNewContent() {
    if (m_spool >= 0)
        close(m_spool);
    if (!m_bytes.isEmpty() && m_bytes.isDetached())
        sodium_memzero(m_bytes.data(), size_t(m_bytes.size()));
}

bool CfbNewContent::ReadAt(qint64 pos, char* data, qint64 length, QString& error) {
    if (m_spool < 0) {
        std::memcpy(data, m_bytes.constData() + pos, size_t(length));
        return true;
    }
    while (length > 0) {
        const ssize_t n = pread(m_spool, data, size_t(length), pos);
        if (n <= 0) {
            error = QStringLiteral("cannot read the spool file: %1").arg(TempFiles::SystemError(n < 0 ? errno : EIO));
            return false;
        }
        pos += n;
        data += n;
        length -= n;
    }
    return true;
}

bool CfbNewContent::WriteAt(qint64 pos, const char* data, qint64 length, QString& error) {
    if (m_spool < 0 && !m_inMemory && pos + length > kMemoryLimit && !MoveToSpool(error))
        return false;
    if (m_spool < 0) {
        if (pos + length > m_bytes.size())
            m_bytes.resize(pos + length, '\0');
        std::memcpy(m_bytes.data() + pos, data, size_t(length));
        m_size = m_bytes.size();
        return true;
    }
    for (qint64 done = 0; done < length;) {
        const ssize_t n = pwrite(m_spool, data + done, size_t(length - done), pos + done);
        if (n < 0) {
            error = QStringLiteral("cannot write the spool file: %1").arg(TempFiles::SystemError(errno));
            return false;
        }
        done += n;
    }
    m_size = std::max(m_size, pos + length);
    return true;
}

bool CfbNewContent::MoveToSpool(QString& error) {
    const int fd = TempFiles::CreateSpoolFile(m_path, error);
    if (fd < 0)
        return false;
    m_spool = fd;
    QByteArray bytes;
    bytes.swap(m_bytes);
    if (WriteAt(0, bytes.constData(), bytes.size(), error))
        return true;
    close(m_spool);
    m_spool = -1;
    m_bytes.swap(bytes);
    return false;
}
