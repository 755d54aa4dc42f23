// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/cfb/CfbReader.h"

#include "document/cfb/CfbName.h"

#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <cstring>

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

// Follows a chain through `table` from `start`; every link must stay below `limit`. With `exact` >= 0 the chain
// must have exactly that many links; otherwise it runs to its end, and as no chain can hold more links than there
// are sectors, a longer walk has looped.
bool FollowChain(const std::vector<quint32>& table, quint32 start, quint64 limit, qint64 exact,
                 std::vector<quint32>& chain, const QString& what, QString& error) {
    chain.clear();
    const quint64 bound = exact >= 0 ? quint64(exact) : limit;
    for (quint32 sector = start; sector != kEndOfChain; sector = table[sector]) {
        if (sector >= limit)
            return Fail(error, QStringLiteral("%1 points to sector %2, which does not exist").arg(what).arg(sector));
        if (chain.size() == bound)
            return Fail(error, HasRepeat(chain) ? QStringLiteral("%1 loops").arg(what)
                                                : QStringLiteral("%1 is longer than its size").arg(what));
        chain.push_back(sector);
    }
    if (exact >= 0 && chain.size() < quint64(exact))
        return Fail(error, QStringLiteral("%1 ends before its size").arg(what));
    if (HasRepeat(chain))
        return Fail(error, QStringLiteral("%1 loops").arg(what));
    return true;
}

} // namespace

CfbReader::CfbReader(std::unique_ptr<QIODevice> device) : m_device(std::move(device)) {}

CfbReader::~CfbReader() = default;

std::shared_ptr<CfbReader> CfbReader::Open(std::unique_ptr<QIODevice> device, QString& error) {
    std::shared_ptr<CfbReader> reader(new CfbReader(std::move(device)));
    if (reader->ReadHeader(error) && reader->ReadFat(error) && reader->ReadDirectory(error) &&
        reader->ReadMiniStream(error) && reader->ReadMiniFat(error) && reader->BuildTree(error))
        return reader;
    return nullptr;
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
    return true;
}

bool CfbReader::ReadFatSectorList(std::vector<quint32>& fatSectors, QString& error) {
    const char* h = m_header.constData();
    const quint32 fatCount = U32(h + kOffFatSectors);
    const quint32 difatCount = U32(h + kOffDifatSectors);
    if (fatCount == 0 || fatCount > m_sectorCount || difatCount > m_sectorCount)
        return Fail(error, QStringLiteral("the header's FAT or DIFAT sector count does not fit the file"));
    for (int i = 0; i < kHeaderDifatEntries && fatSectors.size() < fatCount; ++i)
        fatSectors.push_back(U32(h + kOffHeaderDifat + 4 * i));
    const qint64 perSector = SectorSize() / 4 - 1;
    QByteArray sector(SectorSize(), Qt::Uninitialized);
    std::vector<quint32> difatChain;
    quint32 next = U32(h + kOffFirstDifat);
    for (quint32 k = 0; k < difatCount && fatSectors.size() < fatCount; ++k) {
        if (next >= m_sectorCount)
            return Fail(error, QStringLiteral("the DIFAT points to sector %1, which does not exist").arg(next));
        difatChain.push_back(next);
        if (!ReadBytes(SectorOffset(next), sector.data(), SectorSize(), error))
            return false;
        for (qint64 j = 0; j < perSector && fatSectors.size() < fatCount; ++j)
            fatSectors.push_back(U32(sector.constData() + 4 * j));
        next = U32(sector.constData() + 4 * perSector);
    }
    if (fatSectors.size() < fatCount)
        return Fail(error, QStringLiteral("the DIFAT lists fewer FAT sectors than the header gives"));
    if (HasRepeat(difatChain))
        return Fail(error, QStringLiteral("the DIFAT chain loops"));
    return true;
}

bool CfbReader::ReadFat(QString& error) {
    std::vector<quint32> fatSectors;
    if (!ReadFatSectorList(fatSectors, error))
        return false;
    for (const quint32 sector : fatSectors) {
        if (sector >= m_sectorCount)
            return Fail(error, QStringLiteral("a FAT sector index (%1) is out of range").arg(sector));
    }
    if (HasRepeat(fatSectors))
        return Fail(error, QStringLiteral("the DIFAT lists one FAT sector twice"));
    return ReadSectors(fatSectors, m_fat, error);
}

bool CfbReader::ReadSectors(const std::vector<quint32>& sectors, std::vector<quint32>& table, QString& error) const {
    const qint64 perSector = SectorSize() / 4;
    table.resize(sectors.size() * perSector);
    for (size_t i = 0; i < sectors.size(); ++i) {
        quint32* slot = table.data() + i * perSector;
        if (!ReadBytes(SectorOffset(sectors[i]), reinterpret_cast<char*>(slot), SectorSize(), error))
            return false;
        qFromLittleEndian<quint32>(slot, perSector, slot);
    }
    return true;
}

bool CfbReader::ReadDirectory(QString& error) {
    const quint64 limit = std::min<quint64>(m_sectorCount, m_fat.size());
    std::vector<quint32> chain;
    if (!FollowChain(m_fat, U32(m_header.constData() + kOffFirstDirectory), limit, -1, chain,
                     QStringLiteral("the directory chain"), error))
        return false;
    if (chain.empty())
        return Fail(error, QStringLiteral("the compound file has no directory"));
    m_directory.resize(qint64(chain.size()) * SectorSize());
    for (size_t i = 0; i < chain.size(); ++i) {
        if (!ReadBytes(SectorOffset(chain[i]), m_directory.data() + qint64(i) * SectorSize(), SectorSize(), error))
            return false;
    }
    CfbEntry root;
    if (!DecodeEntry(0, root, error))
        return false;
    m_entries.push_back(std::move(root));
    return true;
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
    return FollowChain(m_fat, start, std::min<quint64>(m_sectorCount, m_fat.size()), -1, chain,
                       QStringLiteral("the mini FAT chain"), error) &&
           ReadSectors(chain, m_miniFat, error);
}

bool CfbReader::BuildTree(QString& error) {
    std::vector<bool> visited(m_directory.size() / kEntrySize);
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

bool CfbReader::DecodeEntry(quint32 id, CfbEntry& entry, QString& error) const {
    const char* raw = m_directory.constData() + qint64(id) * kEntrySize;
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
