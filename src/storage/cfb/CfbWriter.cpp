// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/cfb/CfbWriter.h"

#include "storage/cfb/CfbContent.h"
#include "storage/cfb/CfbNode.h"

#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cstring>

using namespace cfb;

namespace {

constexpr qint64 kCopyBlock = qint64(1) << 20;

quint64 CeilDiv(quint64 value, quint64 unit) {
    return value / unit + (value % unit != 0 ? 1 : 0);
}

qint64 PaddingTo(qint64 size, qint64 unit) {
    return (unit - size % unit) % unit;
}

bool Put(QIODevice& out, const char* data, qint64 length, QString& error) {
    if (out.write(data, length) == length)
        return true;
    error = QStringLiteral("cannot write the file: %1").arg(out.errorString());
    return false;
}

bool PutZeros(QIODevice& out, qint64 count, QString& error) {
    static const QByteArray zeros(64 * 1024, '\0');
    for (; count > 0; count -= zeros.size()) {
        if (!Put(out, zeros.constData(), std::min<qint64>(count, zeros.size()), error))
            return false;
    }
    return true;
}

bool PutWords(QIODevice& out, const std::vector<quint32>& words, QString& error) {
    std::vector<quint32> block(16 * 1024);
    for (size_t done = 0; done < words.size(); done += block.size()) {
        const size_t n = std::min(block.size(), words.size() - done);
        qToLittleEndian<quint32>(words.data() + done, qsizetype(n), block.data());
        if (!Put(out, reinterpret_cast<const char*>(block.data()), qint64(n * 4), error))
            return false;
    }
    return true;
}

template <typename T> void Store(char* at, T value) {
    qToLittleEndian<T>(value, at);
}

} // namespace

CfbWriter::CfbWriter(const CfbNode& root) : m_root(root) {}

bool CfbWriter::Write(QIODevice& out, QString& error) {
    BuildDirectory();
    PlaceMiniStreams();
    if (!MakePlan(m_forceVersion4 ? 12 : 9, error))
        return false;
    if (m_plan.shift == 9 && qint64(m_plan.totalSectors + 1) * 512 > kVersion3Limit && !MakePlan(12, error))
        return false;
    BuildTables();
    return WriteHeader(out, error) && PutWords(out, m_fat, error) && WriteDifat(out, error) &&
           PutWords(out, m_miniFat, error) && WriteDirectory(out, error) && WriteStreams(out, true, error) &&
           WriteStreams(out, false, error);
}

void CfbWriter::BuildDirectory() {
    m_items.assign(1, Item{&m_root});
    for (size_t i = 0; i < m_items.size(); ++i) {
        const CfbNode* node = m_items[i].node;
        if (!node->IsStorage())
            continue;
        const auto first = quint32(m_items.size());
        for (const auto& entry : node->ChildNodes())
            m_items.push_back(Item{entry.second.get()});
        m_items[i].child = LinkSiblings(first, quint32(node->ChildNodes().size()));
    }
}

// A balanced tree over the name-ordered children: every level but the last is full, so with the last level red
// and all others black every path has the same number of black nodes and no red node has a red child.
quint32 CfbWriter::LinkSiblings(quint32 first, quint32 count) {
    struct Range {
        quint32 begin;
        quint32 end;
        int depth;
        quint32* link;
    };
    const int fullLevels = std::bit_width(quint64(count) + 1) - 1;
    quint32 root = kNoStream;
    std::vector<Range> pending{{first, first + count, 0, &root}};
    while (!pending.empty()) {
        const Range range = pending.back();
        pending.pop_back();
        if (range.begin == range.end)
            continue;
        const quint32 middle = range.begin + (range.end - range.begin - 1) / 2;
        *range.link = middle;
        Item& item = m_items[middle];
        item.red = range.depth == fullLevels;
        pending.push_back({range.begin, middle, range.depth + 1, &item.left});
        pending.push_back({middle + 1, range.end, range.depth + 1, &item.right});
    }
    return root;
}

void CfbWriter::PlaceMiniStreams() {
    m_miniSectors = 0;
    for (Item& item : m_items) {
        if (item.node->IsStorage())
            continue;
        item.size = quint64(item.node->Content()->Size());
        item.start = kEndOfChain;
        item.mini = item.size > 0 && item.size < quint64(kMiniStreamCutoff);
        if (item.mini) {
            item.start = quint32(m_miniSectors);
            m_miniSectors += CeilDiv(item.size, kMiniSectorSize);
        }
    }
}

quint64 CfbWriter::LargeSectors(qint64 sectorSize) const {
    quint64 sectors = 0;
    for (const Item& item : m_items) {
        if (!item.node->IsStorage() && !item.mini)
            sectors += CeilDiv(item.size, sectorSize);
    }
    return sectors;
}

bool CfbWriter::MakePlan(int shift, QString& error) {
    Plan plan;
    plan.shift = shift;
    const qint64 size = plan.SectorSize();
    const quint64 perSector = size / 4;
    plan.miniFatSectors = CeilDiv(m_miniSectors * 4, size);
    plan.directorySectors = CeilDiv(m_items.size() * kEntrySize, size);
    plan.miniStreamSectors = CeilDiv(m_miniSectors * kMiniSectorSize, size);
    const quint64 data = plan.miniFatSectors + plan.directorySectors + plan.miniStreamSectors + LargeSectors(size);
    for (quint64 previous = ~quint64(0); previous != plan.fatSectors;) {
        previous = plan.fatSectors;
        plan.fatSectors = CeilDiv(data + plan.fatSectors + plan.difatSectors, perSector);
        plan.difatSectors = plan.fatSectors > quint64(kHeaderDifatEntries)
                                ? CeilDiv(plan.fatSectors - kHeaderDifatEntries, perSector - 1)
                                : 0;
    }
    plan.firstMiniFat = plan.fatSectors + plan.difatSectors;
    plan.firstDirectory = plan.firstMiniFat + plan.miniFatSectors;
    plan.firstMiniStream = plan.firstDirectory + plan.directorySectors;
    plan.totalSectors = plan.fatSectors + plan.difatSectors + data;
    if (plan.totalSectors >= kMaxRegularSector) {
        error = QStringLiteral("the compound file would be too large");
        return false;
    }
    m_plan = plan;
    return true;
}

void CfbWriter::Chain(std::vector<quint32>& table, quint64 first, quint64 count) {
    for (quint64 k = 0; k < count; ++k)
        table[first + k] = k + 1 < count ? quint32(first + k + 1) : kEndOfChain;
}

void CfbWriter::BuildTables() {
    const quint64 perSector = m_plan.SectorSize() / 4;
    m_fat.assign(m_plan.fatSectors * perSector, kFreeSector);
    std::fill_n(m_fat.begin(), m_plan.fatSectors, kFatSector);
    std::fill_n(m_fat.begin() + qint64(m_plan.fatSectors), m_plan.difatSectors, kDifatSector);
    Chain(m_fat, m_plan.firstMiniFat, m_plan.miniFatSectors);
    Chain(m_fat, m_plan.firstDirectory, m_plan.directorySectors);
    Chain(m_fat, m_plan.firstMiniStream, m_plan.miniStreamSectors);
    quint64 next = m_plan.firstMiniStream + m_plan.miniStreamSectors;
    m_miniFat.assign(m_plan.miniFatSectors * perSector, kFreeSector);
    for (Item& item : m_items) {
        if (item.node->IsStorage() || item.size == 0)
            continue;
        if (item.mini) {
            Chain(m_miniFat, item.start, CeilDiv(item.size, kMiniSectorSize));
            continue;
        }
        item.start = quint32(next);
        Chain(m_fat, next, CeilDiv(item.size, m_plan.SectorSize()));
        next += CeilDiv(item.size, m_plan.SectorSize());
    }
    Item& root = m_items.front();
    root.size = m_miniSectors * kMiniSectorSize;
    root.start = root.size > 0 ? quint32(m_plan.firstMiniStream) : kEndOfChain;
}

bool CfbWriter::WriteHeader(QIODevice& out, QString& error) {
    const bool version4 = m_plan.shift == 12;
    QByteArray header(version4 ? m_plan.SectorSize() : kHeaderSize, '\0');
    char* h = header.data();
    std::memcpy(h, kSignature, sizeof kSignature);
    Store<quint16>(h + kOffMinorVersion, 0x3E);
    Store<quint16>(h + kOffMajorVersion, version4 ? 4 : 3);
    Store<quint16>(h + kOffByteOrder, 0xFFFE);
    Store<quint16>(h + kOffSectorShift, quint16(m_plan.shift));
    Store<quint16>(h + kOffMiniSectorShift, 6);
    Store<quint32>(h + kOffDirectorySectors, version4 ? quint32(m_plan.directorySectors) : 0);
    Store<quint32>(h + kOffFatSectors, quint32(m_plan.fatSectors));
    Store<quint32>(h + kOffFirstDirectory, quint32(m_plan.firstDirectory));
    Store<quint32>(h + kOffMiniCutoff, quint32(kMiniStreamCutoff));
    Store<quint32>(h + kOffFirstMiniFat, m_plan.miniFatSectors > 0 ? quint32(m_plan.firstMiniFat) : kEndOfChain);
    Store<quint32>(h + kOffMiniFatSectors, quint32(m_plan.miniFatSectors));
    Store<quint32>(h + kOffFirstDifat, m_plan.difatSectors > 0 ? quint32(m_plan.fatSectors) : kEndOfChain);
    Store<quint32>(h + kOffDifatSectors, quint32(m_plan.difatSectors));
    for (int i = 0; i < kHeaderDifatEntries; ++i)
        Store<quint32>(h + kOffHeaderDifat + 4 * i, quint64(i) < m_plan.fatSectors ? quint32(i) : kFreeSector);
    return Put(out, header.constData(), header.size(), error);
}

bool CfbWriter::WriteDifat(QIODevice& out, QString& error) {
    const quint64 perSector = m_plan.SectorSize() / 4 - 1;
    std::vector<quint32> difat(m_plan.difatSectors * (perSector + 1), kFreeSector);
    for (quint64 d = 0; d < m_plan.difatSectors; ++d) {
        for (quint64 j = 0; j < perSector; ++j) {
            const quint64 fatIndex = kHeaderDifatEntries + d * perSector + j;
            if (fatIndex < m_plan.fatSectors)
                difat[d * (perSector + 1) + j] = quint32(fatIndex);
        }
        const bool last = d + 1 == m_plan.difatSectors;
        difat[d * (perSector + 1) + perSector] = last ? kEndOfChain : quint32(m_plan.fatSectors + d + 1);
    }
    return PutWords(out, difat, error);
}

bool CfbWriter::WriteDirectory(QIODevice& out, QString& error) {
    QByteArray directory(qint64(m_plan.directorySectors) * m_plan.SectorSize(), '\0');
    for (qint64 at = 0; at < directory.size(); at += kEntrySize) {
        for (const int field : {kOffLeft, kOffRight, kOffChild})
            Store<quint32>(directory.data() + at + field, kNoStream);
    }
    for (size_t id = 0; id < m_items.size(); ++id) {
        const Item& item = m_items[id];
        char* raw = directory.data() + qint64(id) * kEntrySize;
        const QString name = id == 0 ? QStringLiteral("Root Entry") : item.node->Name();
        qToLittleEndian<quint16>(name.utf16(), name.size(), raw);
        Store<quint16>(raw + kOffNameLength, quint16((name.size() + 1) * 2));
        raw[kOffType] = char(id == 0 ? kTypeRoot : item.node->IsStorage() ? kTypeStorage : kTypeStream);
        raw[kOffColor] = char(item.red ? kColorRed : kColorBlack);
        Store<quint32>(raw + kOffLeft, item.left);
        Store<quint32>(raw + kOffRight, item.right);
        Store<quint32>(raw + kOffChild, item.child);
        Store<quint32>(raw + kOffStart, item.start);
        Store<quint64>(raw + kOffSize, item.size);
    }
    return Put(out, directory.constData(), directory.size(), error);
}

bool CfbWriter::WriteStreams(QIODevice& out, bool mini, QString& error) {
    const qint64 unit = mini ? kMiniSectorSize : m_plan.SectorSize();
    for (const Item& item : m_items) {
        if (item.node->IsStorage() || item.size == 0 || item.mini != mini)
            continue;
        if (!WriteStream(out, item, PaddingTo(qint64(item.size), unit), error))
            return false;
    }
    const qint64 miniBytes = qint64(m_miniSectors) * kMiniSectorSize;
    return !mini || PutZeros(out, PaddingTo(miniBytes, m_plan.SectorSize()), error);
}

bool CfbWriter::WriteStream(QIODevice& out, const Item& item, qint64 padding, QString& error) {
    CfbContent& content = *item.node->Content();
    QByteArray block(std::min<qint64>(kCopyBlock, qint64(item.size)), Qt::Uninitialized);
    for (qint64 pos = 0; pos < qint64(item.size); pos += block.size()) {
        const qint64 n = std::min<qint64>(block.size(), qint64(item.size) - pos);
        if (!content.ReadAt(pos, block.data(), n, error) || !Put(out, block.constData(), n, error))
            return false;
    }
    return PutZeros(out, padding, error);
}
