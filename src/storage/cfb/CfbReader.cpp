// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/cfb/CfbReader.h"

#include "storage/cfb/CfbName.h"

#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <new>
#include <set>

using namespace cfb;

namespace {

quint16 U16(const char* p) {
    return qFromLittleEndian<quint16>(p);
}

quint32 U32(const char* p) {
    return qFromLittleEndian<quint32>(p);
}

quint64 U64(const char* p) {
    return qFromLittleEndian<quint64>(p);
}

qint64 CeilDiv(quint64 value, qint64 unit) {
    return qint64(value / quint64(unit) + (value % quint64(unit) != 0 ? 1 : 0));
}

bool Fail(QString& error, const QString& message) {
    error = message;
    return false;
}

bool HasRepeat(std::vector<quint32> values) {
    std::sort(values.begin(), values.end());
    return std::adjacent_find(values.begin(), values.end()) != values.end();
}

enum class ChainEnd { Ends, Leaves, Loops, RunsOn };

// Walks a chain through `table` from `start` without storing it, for at most `steps` links; `length` counts the links
// within the table. Brent's cycle detection finds a loop in constant memory, within about three times the length of
// the chain's lead-in plus its loop.
ChainEnd WalkChain(const std::vector<quint32>& table, quint32 start, quint64 limit, quint64 steps, quint64& length,
                   quint32& outside) {
    length = 0;
    quint32 saved = start;
    quint64 power = 1;
    quint64 lap = 0;
    for (quint32 sector = start; sector != kEndOfChain;) {
        if (sector >= limit) {
            outside = sector;
            return ChainEnd::Leaves;
        }
        if (length == steps)
            return ChainEnd::RunsOn;
        ++length;
        sector = table[sector];
        if (sector == saved)
            return ChainEnd::Loops;
        if (++lap == power) {
            saved = sector;
            power *= 2;
            lap = 0;
        }
    }
    return ChainEnd::Ends;
}

// Follows a chain through `table` from `start`; every link must stay below `limit`. With `exact` >= 0 the chain
// must have exactly that many links; otherwise it runs to its end, and as no chain can hold more links than there
// are sectors, a longer walk has looped. The chain is checked whole before a link of it is stored. Walking four
// times the allowed length tells a loop within it from a chain that is merely too long.
bool FollowChain(const std::vector<quint32>& table, quint32 start, quint64 limit, qint64 exact,
                 std::vector<quint32>& chain, const QString& what, QString& error) {
    chain.clear();
    const quint64 bound = exact >= 0 ? quint64(exact) : limit;
    quint64 length = 0;
    quint32 outside = 0;
    const ChainEnd end = WalkChain(table, start, limit, 4 * (bound + 1), length, outside);
    if (end == ChainEnd::Loops)
        return Fail(error, QStringLiteral("%1 loops").arg(what));
    if (end == ChainEnd::Leaves && length <= bound)
        return Fail(error, QStringLiteral("%1 points to sector %2, which does not exist").arg(what).arg(outside));
    if (end != ChainEnd::Ends || length > bound)
        return Fail(error, QStringLiteral("%1 is longer than its size").arg(what));
    if (exact >= 0 && length < quint64(exact))
        return Fail(error, QStringLiteral("%1 ends before its size").arg(what));
    chain.reserve(length);
    for (quint32 sector = start; sector != kEndOfChain; sector = table[sector])
        chain.push_back(sector);
    return true;
}

} // namespace

CfbReader::CfbReader(std::unique_ptr<QIODevice> device) : m_device(std::move(device)) {}

CfbReader::~CfbReader() = default;

std::shared_ptr<CfbReader> CfbReader::Open(std::unique_ptr<QIODevice> device, QString& error) {
    try {
        std::shared_ptr<CfbReader> reader(new CfbReader(std::move(device)));
        return reader->ReadStructure(error) ? reader : nullptr;
    } catch (const std::bad_alloc&) {
        error = QStringLiteral("there is not enough memory to read the compound file's tables");
        return nullptr;
    }
}

bool CfbReader::ReadStructure(QString& error) {
    const bool read = ReadHeader(error) && ReadFat(error) && ReadDirectory(error) && ReadMiniStream(error) &&
                      ReadMiniFat(error) && BuildTree(error);
    m_directoryChain = {};
    m_directorySectors.clear();
    return read;
}

bool CfbReader::ReadHeader(QString& error) {
    m_fileSize = m_device->size();
    if (m_fileSize < kHeaderSize)
        return Fail(error, QStringLiteral("the file is too short to be a compound file"));
    m_header.resize(kHeaderSize);
    if (!ReadBytes(0, m_header.data(), kHeaderSize, error))
        return false;
    const char* h = m_header.constData();
    if (std::memcmp(h, kSignature, sizeof kSignature) != 0)
        return Fail(error, QStringLiteral("the file is not a compound file"));
    if (U16(h + kOffByteOrder) != 0xFFFE)
        return Fail(error, QStringLiteral("the compound file has an unknown byte order"));
    const quint16 major = U16(h + kOffMajorVersion);
    const quint16 shift = U16(h + kOffSectorShift);
    if (!((major == 3 && shift == 9) || (major == 4 && shift == 12)))
        return Fail(
            error,
            QStringLiteral("compound file version %1 with sector shift %2 is not supported").arg(major).arg(shift));
    if (U16(h + kOffMiniSectorShift) != 6 || U32(h + kOffMiniCutoff) != kMiniStreamCutoff)
        return Fail(error, QStringLiteral("the compound file has an unsupported mini stream layout"));
    m_sectorShift = shift;
    if (m_fileSize < SectorSize())
        return Fail(error, QStringLiteral("the file is truncated inside its header"));
    const qint64 sectors = CeilDiv(quint64(m_fileSize - SectorSize()), SectorSize());
    m_sectorCount = quint32(std::min<qint64>(sectors, kMaxRegularSector));
    if (U32(h + kOffDirectorySectors) > m_sectorCount || U32(h + kOffMiniFatSectors) > m_sectorCount)
        return Fail(error, QStringLiteral("the header's directory or mini FAT sector count does not fit the file"));
    return true;
}

// A FAT sector describes SectorSize() / 4 sectors, so a file needs no more FAT sectors than its size gives. The DIFAT
// is read sector by sector, each checked before the next: a loop or a sector of zeros (a hole in a sparse file) is
// refused at once instead of being collected up to what the header claims.
bool CfbReader::ReadFatSectorList(std::vector<quint32>& fatSectors, QString& error) {
    const char* h = m_header.constData();
    const quint32 fatCount = U32(h + kOffFatSectors);
    const quint32 difatCount = U32(h + kOffDifatSectors);
    if (fatCount == 0 || fatCount > CeilDiv(m_sectorCount, SectorSize() / 4) || difatCount > m_sectorCount)
        return Fail(error, QStringLiteral("the header's FAT or DIFAT sector count does not fit the file"));
    if (!AddFatSectors(h + kOffHeaderDifat, kHeaderDifatEntries, fatCount, fatSectors, error))
        return false;
    std::set<quint32> difatChain;
    quint32 next = U32(h + kOffFirstDifat);
    for (quint32 k = 0; k < difatCount && fatSectors.size() < fatCount; ++k) {
        if (next >= m_sectorCount)
            return Fail(error, QStringLiteral("the DIFAT points to sector %1, which does not exist").arg(next));
        if (!difatChain.insert(next).second)
            return Fail(error, QStringLiteral("the DIFAT chain loops"));
        if (!ReadDifatSector(next, fatCount, fatSectors, next, error))
            return false;
    }
    if (fatSectors.size() < fatCount)
        return Fail(error, QStringLiteral("the DIFAT lists fewer FAT sectors than the header gives"));
    return true;
}

bool CfbReader::ReadDifatSector(quint32 sector, quint32 fatCount, std::vector<quint32>& fatSectors, quint32& next,
                                QString& error) {
    const qint64 perSector = SectorSize() / 4 - 1;
    QByteArray bytes(SectorSize(), Qt::Uninitialized);
    if (!ReadBytes(SectorOffset(sector), bytes.data(), SectorSize(), error))
        return false;
    next = U32(bytes.constData() + 4 * perSector);
    return AddFatSectors(bytes.constData(), perSector, fatCount, fatSectors, error);
}

bool CfbReader::AddFatSectors(const char* entries, qint64 count, quint32 fatCount, std::vector<quint32>& fatSectors,
                              QString& error) const {
    const size_t first = fatSectors.size();
    for (qint64 i = 0; i < count && fatSectors.size() < fatCount; ++i) {
        const quint32 sector = U32(entries + 4 * i);
        if (sector >= m_sectorCount)
            return Fail(error, QStringLiteral("a FAT sector index (%1) is out of range").arg(sector));
        fatSectors.push_back(sector);
    }
    if (HasRepeat({fatSectors.begin() + qint64(first), fatSectors.end()}))
        return Fail(error, QStringLiteral("the DIFAT lists one FAT sector twice"));
    return true;
}

bool CfbReader::ReadFat(QString& error) {
    std::vector<quint32> fatSectors;
    if (!ReadFatSectorList(fatSectors, error))
        return false;
    if (HasRepeat(fatSectors))
        return Fail(error, QStringLiteral("the DIFAT lists one FAT sector twice"));
    return ReadTable(fatSectors, m_sectorCount, m_fat, QStringLiteral("the FAT"), error);
}

// The table grows by one sector at a time, and each is checked as it comes: no two links may lead to one sector,
// and a sector of zeros, such as a hole in a sparse file, would send all its `used` entries (those describing
// sectors that exist) to sector 0. So the table never grows much past the bytes that really hold it.
bool CfbReader::ReadTable(const std::vector<quint32>& sectors, quint64 used, std::vector<quint32>& table,
                          const QString& what, QString& error) const {
    const qint64 perSector = SectorSize() / 4;
    quint64 linksToZero = 0;
    for (const quint32 sector : sectors) {
        const size_t at = table.size();
        table.resize(at + size_t(perSector));
        quint32* slot = table.data() + at;
        if (!ReadBytes(SectorOffset(sector), reinterpret_cast<char*>(slot), SectorSize(), error))
            return false;
        qFromLittleEndian<quint32>(slot, perSector, slot);
        const qint64 described = used > at ? qint64(std::min<quint64>(used - at, quint64(perSector))) : 0;
        linksToZero += quint64(std::count(slot, slot + described, 0u));
        if (linksToZero > 1)
            return Fail(error, QStringLiteral("%1 is damaged: several sectors lead to sector 0").arg(what));
    }
    return true;
}

bool CfbReader::ReadDirectory(QString& error) {
    const quint64 limit = std::min<quint64>(m_sectorCount, m_fat.size());
    if (!FollowChain(m_fat, U32(m_header.constData() + kOffFirstDirectory), limit, -1, m_directoryChain,
                     QStringLiteral("the directory chain"), error))
        return false;
    if (m_directoryChain.empty())
        return Fail(error, QStringLiteral("the compound file has no directory"));
    CfbEntry root;
    if (!DecodeEntry(0, root, error))
        return false;
    m_entries.push_back(std::move(root));
    return true;
}

const char* CfbReader::DirectoryEntry(quint32 id, QString& error) {
    const qint64 perSector = SectorSize() / kEntrySize;
    const auto [found, added] = m_directorySectors.try_emplace(size_t(id / perSector));
    QByteArray& sector = found->second;
    if (added) {
        sector.resize(SectorSize());
        if (!ReadBytes(SectorOffset(m_directoryChain[found->first]), sector.data(), SectorSize(), error)) {
            m_directorySectors.erase(found);
            return nullptr;
        }
    }
    return sector.constData() + (id % perSector) * kEntrySize;
}

bool CfbReader::ReadMiniStream(QString& error) {
    const CfbEntry& root = Root();
    if (root.size == 0)
        return true;
    const qint64 needed = CeilDiv(root.size, SectorSize());
    if (needed > m_sectorCount)
        return Fail(error, QStringLiteral("the mini stream is larger than the file"));
    std::vector<quint32> chain;
    if (!FollowChain(m_fat, root.start, std::min<quint64>(m_sectorCount, m_fat.size()), needed, chain,
                     QStringLiteral("the mini stream chain"), error))
        return false;
    for (size_t i = 0; i < chain.size(); ++i)
        m_miniStream.Append(SectorOffset(chain[i]), std::min<qint64>(SectorSize(), root.size - i * SectorSize()));
    return true;
}

bool CfbReader::ReadMiniFat(QString& error) {
    const quint32 start = U32(m_header.constData() + kOffFirstMiniFat);
    if (start == kEndOfChain)
        return true;
    std::vector<quint32> chain;
    if (!FollowChain(m_fat, start, std::min<quint64>(m_sectorCount, m_fat.size()), -1, chain,
                     QStringLiteral("the mini FAT chain"), error))
        return false;
    // Entries past the mini stream describe nothing, so only the sectors that cover it are read.
    const quint64 miniSectors = CeilDiv(Root().size, kMiniSectorSize);
    chain.resize(std::min<quint64>(chain.size(), CeilDiv(miniSectors, SectorSize() / 4)));
    return ReadTable(chain, miniSectors, m_miniFat, QStringLiteral("the mini FAT"), error);
}

bool CfbReader::BuildTree(QString& error) {
    std::vector<bool> visited(m_directoryChain.size() * size_t(SectorSize() / kEntrySize));
    visited[0] = true;
    std::vector<quint32> storages{0};
    while (!storages.empty()) {
        const quint32 storage = storages.back();
        storages.pop_back();
        if (!CollectChildren(storage, visited, storages, error))
            return false;
    }
    return true;
}

bool CfbReader::CollectChildren(quint32 storage, std::vector<bool>& visited, std::vector<quint32>& storages,
                                QString& error) {
    std::vector<quint32> pending;
    if (m_entries[storage].child != kNoStream)
        pending.push_back(m_entries[storage].child);
    while (!pending.empty()) {
        const quint32 id = pending.back();
        pending.pop_back();
        if (id >= visited.size())
            return Fail(error, QStringLiteral("a directory link points to entry %1, which does not exist").arg(id));
        if (visited[id])
            return Fail(error, QStringLiteral("the directory tree loops or shares entry %1").arg(id));
        visited[id] = true;
        CfbEntry entry;
        if (!DecodeEntry(id, entry, error))
            return false;
        for (const quint32 sibling : {entry.left, entry.right}) {
            if (sibling != kNoStream)
                pending.push_back(sibling);
        }
        const auto index = quint32(m_entries.size());
        if (!entry.IsStream())
            storages.push_back(index);
        m_entries.push_back(std::move(entry));
        m_entries[storage].children.push_back(index);
    }
    return SortChildren(m_entries[storage], error);
}

bool CfbReader::DecodeEntry(quint32 id, CfbEntry& entry, QString& error) {
    const char* raw = DirectoryEntry(id, error);
    if (!raw)
        return false;
    entry.directoryId = id;
    entry.type = quint8(raw[kOffType]);
    entry.color = quint8(raw[kOffColor]);
    entry.left = U32(raw + kOffLeft);
    entry.right = U32(raw + kOffRight);
    entry.child = U32(raw + kOffChild);
    entry.start = U32(raw + kOffStart);
    entry.size = Version() == 3 ? U32(raw + kOffSize) : U64(raw + kOffSize);
    if (id == 0) {
        entry.name = QStringLiteral("Root Entry");
        return entry.type == kTypeRoot || Fail(error, QStringLiteral("the first directory entry is not the root"));
    }
    if (entry.type != kTypeStorage && entry.type != kTypeStream)
        return Fail(error, QStringLiteral("directory entry %1 is linked but has type %2").arg(id).arg(entry.type));
    const quint16 nameBytes = U16(raw + kOffNameLength);
    if (nameBytes % 2 != 0 || nameBytes < 4 || nameBytes > kNameBytes || U16(raw + nameBytes - 2) != 0)
        return Fail(error, QStringLiteral("directory entry %1 has a bad name length (%2)").arg(id).arg(nameBytes));
    entry.name.resize(nameBytes / 2 - 1);
    qFromLittleEndian<quint16>(raw, entry.name.size(), entry.name.data());
    const QString problem = CfbName::Problem(entry.name);
    if (!problem.isEmpty())
        return Fail(error, QStringLiteral("directory entry %1: %2").arg(id).arg(problem));
    if (entry.IsStream() && entry.child != kNoStream)
        return Fail(error, QStringLiteral("the stream \"%1\" has children").arg(entry.name));
    return !entry.IsStream() || CheckStreamSize(entry, error);
}

bool CfbReader::CheckStreamSize(const CfbEntry& entry, QString& error) const {
    const bool fits = entry.size >= quint64(kMiniStreamCutoff) ? CeilDiv(entry.size, SectorSize()) <= m_sectorCount
                                                               : qint64(entry.size) <= m_miniStream.Size();
    return fits ||
           Fail(error,
                QStringLiteral("the stream \"%1\" is larger than the file (%2 bytes)").arg(entry.name).arg(entry.size));
}

bool CfbReader::SortChildren(CfbEntry& storage, QString& error) {
    auto& children = storage.children;
    const auto order = [this](quint32 a, quint32 b) { return CfbName::Compare(m_entries[a].name, m_entries[b].name); };
    std::sort(children.begin(), children.end(), [&](quint32 a, quint32 b) { return order(a, b) < 0; });
    const auto same =
        std::adjacent_find(children.begin(), children.end(), [&](quint32 a, quint32 b) { return order(a, b) == 0; });
    if (same == children.end())
        return true;
    return Fail(
        error,
        QStringLiteral("the storage \"%1\" holds two elements named \"%2\"").arg(storage.name, m_entries[*same].name));
}

bool CfbReader::StreamExtents(const CfbEntry& stream, CfbExtentList& extents, QString& error) const {
    try {
        return CollectExtents(stream, extents, error);
    } catch (const std::bad_alloc&) {
        extents = CfbExtentList();
        return Fail(error, QStringLiteral("there is not enough memory to follow its sector chain"));
    }
}

bool CfbReader::CollectExtents(const CfbEntry& stream, CfbExtentList& extents, QString& error) const {
    extents = CfbExtentList();
    if (stream.size == 0)
        return true;
    const QString what = QStringLiteral("the sector chain of the stream \"%1\"").arg(stream.name);
    std::vector<quint32> chain;
    if (stream.size >= quint64(kMiniStreamCutoff)) {
        const qint64 limit = std::min<qint64>(m_sectorCount, m_fat.size());
        if (!FollowChain(m_fat, stream.start, limit, CeilDiv(stream.size, SectorSize()), chain, what, error))
            return false;
        for (size_t i = 0; i < chain.size(); ++i)
            extents.Append(SectorOffset(chain[i]), std::min<qint64>(SectorSize(), stream.size - i * SectorSize()));
        return true;
    }
    const qint64 limit = std::min<qint64>(m_miniFat.size(), CeilDiv(m_miniStream.Size(), kMiniSectorSize));
    if (!FollowChain(m_miniFat, stream.start, limit, CeilDiv(stream.size, kMiniSectorSize), chain, what, error))
        return false;
    for (size_t i = 0; i < chain.size(); ++i) {
        const qint64 offset = qint64(chain[i]) * kMiniSectorSize;
        const qint64 length = std::min<qint64>(kMiniSectorSize, stream.size - i * kMiniSectorSize);
        if (offset + length > m_miniStream.Size())
            return Fail(error, QStringLiteral("%1 leaves the mini stream").arg(what));
        const CfbExtentList::Extent& run = m_miniStream.At(offset);
        extents.Append(run.filePos + offset - run.streamPos, length);
    }
    return true;
}

bool CfbReader::Read(const CfbExtentList& extents, qint64 pos, char* data, qint64 length, QString& error) const {
    while (length > 0) {
        const CfbExtentList::Extent& run = extents.At(pos);
        const qint64 n = std::min(length, run.streamPos + run.length - pos);
        if (!ReadBytes(run.filePos + pos - run.streamPos, data, n, error))
            return false;
        pos += n;
        data += n;
        length -= n;
    }
    return true;
}

bool CfbReader::ReadBytes(qint64 offset, char* data, qint64 length, QString& error) const {
    if (offset + length > m_fileSize)
        return Fail(error,
                    QStringLiteral("the file is truncated (%1 bytes needed at offset %2)").arg(length).arg(offset));
    if (!m_device->seek(offset) || m_device->read(data, length) != length)
        return Fail(error,
                    QStringLiteral("cannot read the file at offset %1: %2").arg(offset).arg(m_device->errorString()));
    return true;
}
