// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/FieldCipher.h"

#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {
constexpr std::uint32_t kDelta = 0x9E3779B9u;
constexpr int kCycles = 32;
constexpr int kUnitsPerBlock = 4;
// Blocks ciphered side by side: each block's rounds depend on each other, but blocks do not, so the processor works
// on many at once. A batch fills the lanes with the blocks of many texts: four AVX2 vectors, or eight SSE2 ones
// in two rounds, keep the vector unit busy while each waits for its last result.
constexpr int kLanes = 32;
// A batch is cut into tasks of about this many blocks; a smaller one stays on the calling thread.
constexpr qsizetype kBlocksPerTask = 8192;

// The lanes are M vectors of W bytes of the compiler's vector extension; each vector's rounds are independent of the
// others', so the processor keeps them all in flight. Always inlined, so that the AVX2 copy below gets its own
// instructions.
template <int M, int W>
[[gnu::always_inline]] inline void Rounds(std::uint32_t* y, std::uint32_t* z, const FieldCipher::Key& k,
                                          bool encipher) {
    typedef std::uint32_t Lanes __attribute__((vector_size(W)));
    Lanes vy[M], vz[M];
    std::memcpy(vy, y, sizeof vy);
    std::memcpy(vz, z, sizeof vz);
    if (encipher) {
        std::uint32_t sum = 0;
        for (int i = 0; i < kCycles; ++i) {
            const std::uint32_t first = sum + k[sum & 3];
            sum += kDelta;
            const std::uint32_t second = sum + k[(sum >> 11) & 3];
            for (int m = 0; m < M; ++m)
                vy[m] += (((vz[m] << 4) ^ (vz[m] >> 5)) + vz[m]) ^ first;
            for (int m = 0; m < M; ++m)
                vz[m] += (((vy[m] << 4) ^ (vy[m] >> 5)) + vy[m]) ^ second;
        }
    } else {
        std::uint32_t sum = kDelta * kCycles;
        for (int i = 0; i < kCycles; ++i) {
            const std::uint32_t second = sum + k[(sum >> 11) & 3];
            sum -= kDelta;
            const std::uint32_t first = sum + k[sum & 3];
            for (int m = 0; m < M; ++m)
                vz[m] -= (((vy[m] << 4) ^ (vy[m] >> 5)) + vy[m]) ^ second;
            for (int m = 0; m < M; ++m)
                vy[m] -= (((vz[m] << 4) ^ (vz[m] >> 5)) + vz[m]) ^ first;
        }
    }
    std::memcpy(y, vy, sizeof vy);
    std::memcpy(z, vz, sizeof vz);
}

using RoundsFunction = void (*)(std::uint32_t*, std::uint32_t*, const FieldCipher::Key&, bool);

// Full lanes in 16-byte vectors, which every processor the program runs on has.
void FullRoundsBasic(std::uint32_t* y, std::uint32_t* z, const FieldCipher::Key& k, bool encipher) {
    constexpr int kHalf = kLanes / 2;
    Rounds<kHalf / 4, 16>(y, z, k, encipher);
    Rounds<kHalf / 4, 16>(y + kHalf, z + kHalf, k, encipher);
}

#if defined(__x86_64__) && defined(__GNUC__)
[[gnu::target("avx2")]] void FullRoundsAvx2(std::uint32_t* y, std::uint32_t* z, const FieldCipher::Key& k,
                                            bool encipher) {
    Rounds<kLanes / 8, 32>(y, z, k, encipher);
}

RoundsFunction PickFullRounds() {
    return __builtin_cpu_supports("avx2") ? FullRoundsAvx2 : FullRoundsBasic;
}
#else
RoundsFunction PickFullRounds() {
    return FullRoundsBasic;
}
#endif

// Lanes beyond `lanes` hold stale blocks; ciphering them too costs less than a narrower loop.
void Rounds(int lanes, std::uint32_t* y, std::uint32_t* z, const FieldCipher::Key& k, bool encipher) {
    static const RoundsFunction fullRounds = PickFullRounds();
    if (lanes > 16)
        return fullRounds(y, z, k, encipher);
    if (lanes > 8)
        return Rounds<4, 16>(y, z, k, encipher);
    if (lanes > 4)
        return Rounds<2, 16>(y, z, k, encipher);
    Rounds<1, 16>(y, z, k, encipher);
}

qsizetype PaddedSize(qsizetype size) {
    return (size + kUnitsPerBlock - 1) / kUnitsPerBlock * kUnitsPerBlock;
}

// Makes room in the text for whole blocks, in a buffer of its own, and gives its units; the cipher writes the zero
// units of the padding. A text read for deciphering already has the room, so this allocates nothing then.
char16_t* PadToBlocks(QString& text) {
    const qsizetype padded = PaddedSize(text.size());
    if (!text.isDetached() || text.capacity() < padded) {
        QString own;
        own.reserve(padded);
        own.append(text);
        text = std::move(own);
    }
    text.resize(padded);
    return reinterpret_cast<char16_t*>(text.data());
}

// Drops the zero units, the padding of the last block, from deciphered units; gives the count kept.
quint32 DropZeroUnits(char16_t* units, qsizetype size) {
    return quint32(std::remove(units, units + size, char16_t(0)) - units);
}

void SubstituteUnits(const char16_t* from, char16_t* to, qsizetype size, bool encipher) {
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t u = from[i];
        to[i] = encipher ? char16_t(((u - 20) ^ 23) + 77) : char16_t(((u - 77) ^ 23) + 20);
    }
}

// Cuts `items` into runs of about kBlocksPerTask blocks each and hands each run to `work`, spread over the cores
// when there are several.
template <class Item, class Blocks, class Work> void InRuns(std::span<Item> items, Blocks blocksOf, Work work) {
    std::vector<std::span<Item>> runs;
    size_t start = 0;
    qsizetype blocks = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        blocks += blocksOf(items[i]);
        if (blocks >= kBlocksPerTask || i + 1 == items.size()) {
            runs.push_back(items.subspan(start, i + 1 - start));
            start = i + 1;
            blocks = 0;
        }
    }
    if (runs.size() < 2) {
        for (auto run : runs)
            work(run);
        return;
    }
    QtConcurrent::blockingMap(runs, work);
}

// Gathers blocks, of one text or many, and ciphers them in place kLanes at a time.
class LaneFiller {
public:
    LaneFiller(const FieldCipher::Key& key, bool encipher) : m_key(key), m_encipher(encipher) {}

    void Add(char16_t* block) {
        m_blocks[m_count] = block;
        m_y[m_count] = block[0] | (std::uint32_t(block[1]) << 16);
        m_z[m_count] = block[2] | (std::uint32_t(block[3]) << 16);
        if (++m_count == kLanes)
            Flush();
    }

    void Flush() {
        if (m_count == 0)
            return;
        Rounds(m_count, m_y, m_z, m_key, m_encipher);
        for (int l = 0; l < m_count; ++l) {
            char16_t* u = m_blocks[l];
            u[0] = char16_t(m_y[l]);
            u[1] = char16_t(m_y[l] >> 16);
            u[2] = char16_t(m_z[l]);
            u[3] = char16_t(m_z[l] >> 16);
        }
        m_count = 0;
    }

private:
    const FieldCipher::Key& m_key;
    bool m_encipher;
    int m_count = 0;
    char16_t* m_blocks[kLanes]{};
    std::uint32_t m_y[kLanes]{};
    std::uint32_t m_z[kLanes]{};
};
} // namespace

QString FieldCipher::Transform(QString text, qint32 method, bool encipher) const {
    if (text.isEmpty())
        return text;
    switch (method) {
    case BlockOnly:
        return BlockText(std::move(text), encipher);
    case SubstituteThenBlock:
        return encipher ? BlockText(SubstituteText(std::move(text), true), true)
                        : SubstituteText(BlockText(std::move(text), false), false);
    default:
        return text;
    }
}

QString FieldCipher::BlockText(QString text, bool encipher) const {
    if (text.isEmpty())
        return text;
    quint32 length = quint32(text.size());
    const CipherPiece piece{PadToBlocks(text), &length};
    TransformRun({&piece, 1}, BlockOnly, encipher);
    text.truncate(length);
    return text;
}

QString FieldCipher::SubstituteText(QString text, bool encipher) {
    char16_t* units = reinterpret_cast<char16_t*>(text.data());
    SubstituteUnits(units, units, text.size(), encipher);
    return text;
}

void FieldCipher::TransformAll(std::span<QString* const> texts, qint32 method, bool encipher) const {
    if (method != BlockOnly && method != SubstituteThenBlock)
        return;
    auto blocks = [](QString* text) { return PaddedSize(text->size()) / kUnitsPerBlock; };
    InRuns(texts, blocks, [this, method, encipher](std::span<QString* const> run) {
        std::vector<quint32> lengths(run.size());
        std::vector<CipherPiece> pieces(run.size());
        for (size_t i = 0; i < run.size(); ++i) {
            lengths[i] = quint32(run[i]->size());
            pieces[i] = {run[i]->isEmpty() ? nullptr : PadToBlocks(*run[i]), &lengths[i]};
        }
        TransformRun(pieces, method, encipher);
        for (size_t i = 0; i < run.size(); ++i)
            run[i]->truncate(lengths[i]);
    });
}

void FieldCipher::TransformAll(std::span<const CipherPiece> pieces, qint32 method, bool encipher) const {
    if (method != BlockOnly && method != SubstituteThenBlock)
        return;
    auto blocks = [](const CipherPiece& piece) { return PaddedSize(*piece.length) / kUnitsPerBlock; };
    InRuns(pieces, blocks,
           [this, method, encipher](std::span<const CipherPiece> run) { TransformRun(run, method, encipher); });
}

void FieldCipher::EncipherInto(std::span<const QStringView> texts, qint32 method, std::vector<char16_t>& units,
                               std::vector<qsizetype>& ends) const {
    const bool block = method == BlockOnly || method == SubstituteThenBlock;
    ends.resize(texts.size());
    qsizetype total = 0;
    for (size_t i = 0; i < texts.size(); ++i) {
        total += block ? PaddedSize(texts[i].size()) : texts[i].size();
        ends[i] = total;
    }
    // Zero units: the padding of each text's last block.
    units.assign(size_t(total), 0);
    qsizetype start = 0;
    for (size_t i = 0; i < texts.size(); ++i) {
        const char16_t* from = texts[i].utf16();
        char16_t* to = units.data() + start;
        if (method == SubstituteThenBlock)
            SubstituteUnits(from, to, texts[i].size(), true);
        else
            std::copy_n(from, texts[i].size(), to);
        start = ends[i];
    }
    if (!block)
        return;
    std::vector<std::pair<qsizetype, qsizetype>> runs;
    const qsizetype blocks = total / kUnitsPerBlock;
    for (qsizetype first = 0; first < blocks; first += kBlocksPerTask)
        runs.emplace_back(first, std::min(blocks, first + kBlocksPerTask));
    auto work = [this, &units](const std::pair<qsizetype, qsizetype>& run) {
        LaneFiller lanes(m_key, true);
        for (qsizetype b = run.first; b < run.second; ++b)
            lanes.Add(units.data() + b * kUnitsPerBlock);
        lanes.Flush();
    };
    if (runs.size() < 2) {
        for (const auto& run : runs)
            work(run);
        return;
    }
    QtConcurrent::blockingMap(runs, work);
}

void FieldCipher::TransformRun(std::span<const CipherPiece> pieces, qint32 method, bool encipher) const {
    const bool substitute = method == SubstituteThenBlock;
    if (substitute && encipher) {
        for (const CipherPiece& piece : pieces)
            SubstituteUnits(piece.units, piece.units, *piece.length, true);
    }
    LaneFiller lanes(m_key, encipher);
    for (const CipherPiece& piece : pieces) {
        const qsizetype padded = PaddedSize(*piece.length);
        std::fill(piece.units + *piece.length, piece.units + padded, char16_t(0));
        for (qsizetype first = 0; first < padded; first += kUnitsPerBlock)
            lanes.Add(piece.units + first);
    }
    lanes.Flush();
    for (const CipherPiece& piece : pieces) {
        const qsizetype padded = PaddedSize(*piece.length);
        *piece.length = encipher ? quint32(padded) : DropZeroUnits(piece.units, padded);
    }
    if (substitute && !encipher) {
        for (const CipherPiece& piece : pieces)
            SubstituteUnits(piece.units, piece.units, *piece.length, false);
    }
}

void FieldCipher::Block(std::uint32_t& y, std::uint32_t& z, bool encipher) const {
    std::uint32_t ys[4] = {y}, zs[4] = {z};
    Rounds<1, 16>(ys, zs, m_key, encipher);
    y = ys[0];
    z = zs[0];
}
