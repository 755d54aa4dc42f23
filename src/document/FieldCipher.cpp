// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/FieldCipher.h"

#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <utility>
#include <vector>

namespace {
constexpr std::uint32_t kDelta = 0x9E3779B9u;
constexpr int kCycles = 32;
constexpr int kUnitsPerBlock = 4;
// Blocks ciphered side by side: each block's rounds depend on each other, but blocks do not, so the processor works
// on many at once. A batch fills the lanes with the blocks of many texts; wide enough for two AVX2 registers.
constexpr int kLanes = 16;
// Below this many blocks, a batch is not worth handing to other threads.
constexpr qsizetype kBlocksPerTask = 8192;

template <int N> void Rounds(std::uint32_t* y, std::uint32_t* z, const FieldCipher::Key& k, bool encipher) {
    if (encipher) {
        std::uint32_t sum = 0;
        for (int i = 0; i < kCycles; ++i) {
            const std::uint32_t first = sum + k[sum & 3];
            sum += kDelta;
            const std::uint32_t second = sum + k[(sum >> 11) & 3];
            for (int l = 0; l < N; ++l)
                y[l] += (((z[l] << 4) ^ (z[l] >> 5)) + z[l]) ^ first;
            for (int l = 0; l < N; ++l)
                z[l] += (((y[l] << 4) ^ (y[l] >> 5)) + y[l]) ^ second;
        }
    } else {
        std::uint32_t sum = kDelta * kCycles;
        for (int i = 0; i < kCycles; ++i) {
            const std::uint32_t second = sum + k[(sum >> 11) & 3];
            sum -= kDelta;
            const std::uint32_t first = sum + k[sum & 3];
            for (int l = 0; l < N; ++l)
                z[l] -= (((y[l] << 4) ^ (y[l] >> 5)) + y[l]) ^ second;
            for (int l = 0; l < N; ++l)
                y[l] -= (((z[l] << 4) ^ (z[l] >> 5)) + z[l]) ^ first;
        }
    }
}

// Full lanes: the processor's widest vector unit is picked when the program starts.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("avx2", "default")))
#endif
void FullRounds(std::uint32_t* y, std::uint32_t* z, const FieldCipher::Key& k, bool encipher) {
    Rounds<kLanes>(y, z, k, encipher);
}

void Rounds(int lanes, std::uint32_t* y, std::uint32_t* z, const FieldCipher::Key& k, bool encipher) {
    // Lanes beyond `lanes` hold stale blocks; ciphering them too costs less than a narrower loop.
    if (lanes > 8)
        return FullRounds(y, z, k, encipher);
    if (lanes > 4)
        return Rounds<8>(y, z, k, encipher);
    if (lanes > 2)
        return Rounds<4>(y, z, k, encipher);
    if (lanes == 2)
        return Rounds<2>(y, z, k, encipher);
    Rounds<1>(y, z, k, encipher);
}

qsizetype PaddedSize(qsizetype size) {
    return (size + kUnitsPerBlock - 1) / kUnitsPerBlock * kUnitsPerBlock;
}

// Pads the text with zero units to whole blocks, in a buffer of its own; a text read for deciphering already has
// the room, so this allocates nothing then.
char16_t* PadToBlocks(QString& text) {
    const qsizetype padded = PaddedSize(text.size());
    if (!text.isDetached() || text.capacity() < padded) {
        QString own;
        own.reserve(padded);
        own.append(text);
        text = std::move(own);
    }
    text.resize(padded, QChar(0));
    return reinterpret_cast<char16_t*>(text.data());
}

// Drops the zero units, the padding of the last block, from a deciphered text.
void DropZeroUnits(QString& text) {
    char16_t* units = reinterpret_cast<char16_t*>(text.data());
    const qsizetype kept = std::remove(units, units + text.size(), char16_t(0)) - units;
    text.truncate(kept);
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
    char16_t* units = PadToBlocks(text);
    LaneFiller lanes(m_key, encipher);
    for (qsizetype first = 0; first < text.size(); first += kUnitsPerBlock)
        lanes.Add(units + first);
    lanes.Flush();
    if (!encipher)
        DropZeroUnits(text);
    return text;
}

QString FieldCipher::SubstituteText(QString text, bool encipher) {
    char16_t* units = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = units[i];
        units[i] = encipher ? char16_t(((u - 20) ^ 23) + 77) : char16_t(((u - 77) ^ 23) + 20);
    }
    return text;
}

void FieldCipher::TransformAll(std::span<QString* const> texts, qint32 method, bool encipher) const {
    if (method != BlockOnly && method != SubstituteThenBlock)
        return;
    // Cut the batch into runs of texts with about kBlocksPerTask blocks each; one run is one task.
    std::vector<std::span<QString* const>> runs;
    qsizetype start = 0, blocks = 0;
    for (qsizetype i = 0; i < qsizetype(texts.size()); ++i) {
        blocks += PaddedSize(texts[size_t(i)]->size()) / kUnitsPerBlock;
        if (blocks >= kBlocksPerTask || i + 1 == qsizetype(texts.size())) {
            runs.push_back(texts.subspan(size_t(start), size_t(i + 1 - start)));
            start = i + 1;
            blocks = 0;
        }
    }
    auto work = [this, method, encipher](std::span<QString* const> run) {
        const bool substitute = method == SubstituteThenBlock;
        if (substitute && encipher) {
            for (QString* text : run) {
                if (!text->isEmpty())
                    *text = SubstituteText(std::move(*text), true);
            }
        }
        BlockTexts(run, encipher);
        if (substitute && !encipher) {
            for (QString* text : run) {
                if (!text->isEmpty())
                    *text = SubstituteText(std::move(*text), false);
            }
        }
    };
    if (runs.size() < 2) {
        for (auto run : runs)
            work(run);
        return;
    }
    QtConcurrent::blockingMap(runs, work);
}

void FieldCipher::BlockTexts(std::span<QString* const> texts, bool encipher) const {
    LaneFiller lanes(m_key, encipher);
    for (QString* text : texts) {
        if (text->isEmpty())
            continue;
        char16_t* units = PadToBlocks(*text);
        for (qsizetype first = 0; first < text->size(); first += kUnitsPerBlock)
            lanes.Add(units + first);
    }
    lanes.Flush();
    if (encipher)
        return;
    for (QString* text : texts) {
        if (!text->isEmpty())
            DropZeroUnits(*text);
    }
}

void FieldCipher::Block(std::uint32_t& y, std::uint32_t& z, bool encipher) const {
    Rounds<1>(&y, &z, m_key, encipher);
}
