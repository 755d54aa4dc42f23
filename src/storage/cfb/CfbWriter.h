// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "storage/cfb/CfbConstants.h"

#include <QString>

#include <vector>

class CfbNode;
class QIODevice;

// Writes a whole compound file (MS-CFB) from a tree of storages and streams: version 3 with 512-byte sectors, or
// version 4 with 4096-byte sectors when the file would pass 2 GiB. Streams under 4096 bytes go to the mini stream.
// Each storage's children form a red-black tree built balanced from the name order. Stream contents are copied in
// blocks, so a large stream never sits in memory whole.
class CfbWriter {
public:
    static constexpr qint64 kVersion3Limit = qint64(1) << 31;

    explicit CfbWriter(const CfbNode& root);

    // Writes version 4 even when version 3 would do (to test readers with large sectors).
    void ForceVersion4() { m_forceVersion4 = true; }
    // Writes the file from the current position of `out`.
    bool Write(QIODevice& out, QString& error);

private:
    struct Item {
        const CfbNode* node = nullptr;
        quint32 left = cfb::kNoStream;
        quint32 right = cfb::kNoStream;
        quint32 child = cfb::kNoStream;
        bool red = false;
        bool mini = false;
        quint32 start = 0;
        quint64 size = 0;
    };
    struct Plan {
        int shift = 9;
        quint64 fatSectors = 0;
        quint64 difatSectors = 0;
        quint64 miniFatSectors = 0;
        quint64 directorySectors = 0;
        quint64 miniStreamSectors = 0;
        quint64 firstMiniFat = 0;
        quint64 firstDirectory = 0;
        quint64 firstMiniStream = 0;
        quint64 totalSectors = 0;
        qint64 SectorSize() const { return qint64(1) << shift; }
    };

    void BuildDirectory();
    quint32 LinkSiblings(quint32 first, quint32 count);
    void PlaceMiniStreams();
    bool MakePlan(int shift, QString& error);
    quint64 LargeSectors(qint64 sectorSize) const;
    void BuildTables();
    void Chain(std::vector<quint32>& table, quint64 first, quint64 count);

    bool WriteHeader(QIODevice& out, QString& error);
    bool WriteDifat(QIODevice& out, QString& error);
    bool WriteDirectory(QIODevice& out, QString& error);
    bool WriteStreams(QIODevice& out, bool mini, QString& error);
    bool WriteStream(QIODevice& out, const Item& item, qint64 padding, QString& error);

    const CfbNode& m_root;
    bool m_forceVersion4 = false;
    std::vector<Item> m_items;
    quint64 m_miniSectors = 0;
    Plan m_plan;
    std::vector<quint32> m_fat;
    std::vector<quint32> m_miniFat;
};
