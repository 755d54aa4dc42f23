// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "storage/cfb/CfbEntry.h"
#include "storage/cfb/CfbExtentList.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <memory>
#include <vector>

class QIODevice;

// Reads a compound file (MS-CFB, versions 3 and 4). The file is outside input: every count, sector index, chain and
// directory link is checked against the file before it is followed, chains and trees are walked without recursion
// and with loop detection before anything is collected, and nothing is allocated before its size is known to fit in
// the file. A sparse file can claim terabytes while holding a few bytes, so memory also grows only with what was
// actually read and found sound: tables grow sector by sector, and directory sectors are read as entries are linked.
// Opening reads the header, the allocation tables and the linked directory entries; stream contents stay in the file
// and are read on demand. Running out of memory is reported like any other failure.
class CfbReader {
public:
    // `device` must be open for reading and random access; the reader keeps it. Null, with `error`, when the
    // bytes are not a usable compound file.
    static std::shared_ptr<CfbReader> Open(std::unique_ptr<QIODevice> device, QString& error);
    ~CfbReader();

    int Version() const { return m_sectorShift == 12 ? 4 : 3; }
    const CfbEntry& Root() const { return m_entries.front(); }
    const CfbEntry& Entry(quint32 index) const { return m_entries[index]; }
    quint32 EntryCount() const { return quint32(m_entries.size()); }

    // Where the stream's bytes lie; fails when its sector chain is damaged.
    bool StreamExtents(const CfbEntry& stream, CfbExtentList& extents, QString& error) const;
    // Reads `length` bytes at `pos` of a stream, which must lie within the extents.
    bool Read(const CfbExtentList& extents, qint64 pos, char* data, qint64 length, QString& error) const;

private:
    explicit CfbReader(std::unique_ptr<QIODevice> device);

    bool ReadStructure(QString& error);
    bool ReadHeader(QString& error);
    bool ReadFatSectorList(std::vector<quint32>& fatSectors, QString& error);
    bool ReadDifatSector(quint32 sector, quint32 fatCount, std::vector<quint32>& fatSectors, quint32& next,
                         QString& error);
    bool AddFatSectors(const char* entries, qint64 count, quint32 fatCount, std::vector<quint32>& fatSectors,
                       QString& error) const;
    bool ReadFat(QString& error);
    bool ReadDirectory(QString& error);
    const char* DirectoryEntry(quint32 id, QString& error);
    bool ReadMiniStream(QString& error);
    bool ReadMiniFat(QString& error);
    bool BuildTree(QString& error);
    bool CollectChildren(quint32 storage, std::vector<bool>& visited, std::vector<quint32>& storages, QString& error);
    bool DecodeEntry(quint32 id, CfbEntry& entry, QString& error);
    bool CheckStreamSize(const CfbEntry& entry, QString& error) const;
    bool SortChildren(CfbEntry& storage, QString& error);
    bool CollectExtents(const CfbEntry& stream, CfbExtentList& extents, QString& error) const;

    bool ReadBytes(qint64 offset, char* data, qint64 length, QString& error) const;
    bool ReadTable(const std::vector<quint32>& sectors, quint64 used, std::vector<quint32>& table, const QString& what,
                   QString& error) const;
    qint64 SectorOffset(quint32 sector) const { return (qint64(sector) + 1) << m_sectorShift; }
    qint64 SectorSize() const { return qint64(1) << m_sectorShift; }

    std::unique_ptr<QIODevice> m_device;
    qint64 m_fileSize = 0;
    int m_sectorShift = 9;
    quint32 m_sectorCount = 0;
    QByteArray m_header;
    std::vector<quint32> m_fat;
    std::vector<quint32> m_miniFat;
    // Only while opening: the directory's sectors, and those of them read so far by their place in the chain.
    std::vector<quint32> m_directoryChain;
    std::map<size_t, QByteArray> m_directorySectors;
    CfbExtentList m_miniStream;
    std::vector<CfbEntry> m_entries;
};
