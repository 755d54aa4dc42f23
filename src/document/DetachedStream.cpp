// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/DetachedStream.h"

#include "document/cfb/CfbNewContent.h"
#include "document/cfb/CfbWriteDevice.h"

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
