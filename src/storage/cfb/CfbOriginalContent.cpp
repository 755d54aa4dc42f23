// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/cfb/CfbOriginalContent.h"

#include "storage/cfb/CfbReader.h"

CfbOriginalContent::CfbOriginalContent(std::shared_ptr<const CfbReader> reader, quint32 entry)
    : m_reader(std::move(reader)), m_entry(entry) {}

qint64 CfbOriginalContent::Size() const {
    return qint64(m_reader->Entry(m_entry).size);
}

bool CfbOriginalContent::Prepare(QString& error) {
    m_prepared = m_prepared || m_reader->StreamExtents(m_reader->Entry(m_entry), m_extents, error);
    return m_prepared;
}

bool CfbOriginalContent::ReadAt(qint64 pos, char* data, qint64 length, QString& error) {
    return Prepare(error) && m_reader->Read(m_extents, pos, data, length, error);
}
