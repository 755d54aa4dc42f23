// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/DetachedStream.h"

#include "storage/cfb/CfbNewContent.h"
#include "storage/cfb/CfbWriteDevice.h"

DetachedStream::DetachedStream(const QString& besidePath, bool inMemory)
    : m_content(std::make_shared<CfbNewContent>(besidePath, inMemory)) {}

std::unique_ptr<QIODevice> DetachedStream::OpenForWriting() const {
    return std::make_unique<CfbWriteDevice>(m_content);
}

std::unique_ptr<QIODevice> DetachedStream::OpenForReading() const {
    return std::make_unique<CfbReadDevice>(m_content);
}

qint64 DetachedStream::Size() const {
    return m_content->Size();
}

bool DetachedStream::IsBeingWritten() const {
    return m_content->HasWriter();
}
