// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "storage/cfb/CfbContent.h"
#include "storage/cfb/CfbExtentList.h"

#include <memory>

class CfbReader;

// A stream as it is in the opened file, read on demand through the reader.
class CfbOriginalContent : public CfbContent {
public:
    CfbOriginalContent(std::shared_ptr<const CfbReader> reader, quint32 entry);

    qint64 Size() const override;
    bool Prepare(QString& error) override;
    bool ReadAt(qint64 pos, char* data, qint64 length, QString& error) override;

private:
    std::shared_ptr<const CfbReader> m_reader;
    quint32 m_entry;
    bool m_prepared = false;
    CfbExtentList m_extents;
};
