// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/FieldCipher.h"

#include <algorithm>
#include <utility>

namespace {
constexpr std::uint32_t kDelta = 0x9E3779B9u;
constexpr int kCycles = 32;
constexpr int kUnitsPerBlock = 4;
// Blocks ciphered side by side: each block's rounds depend on each other, but the blocks of a text do not, so the
// processor can work on several at once.
constexpr int kLanes = 4;

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

void Rounds(int lanes, std::uint32_t* y, std::uint32_t* z, const FieldCipher::Key& k, bool encipher) {
    switch (lanes) {
    case 4:
        return Rounds<4>(y, z, k, encipher);
    case 3:
        return Rounds<3>(y, z, k, encipher);
    case 2:
        return Rounds<2>(y, z, k, encipher);
    default:
        return Rounds<1>(y, z, k, encipher);
    }
}
} // namespace

QString FieldCipher::Transform(QString text, bool encipher) const {
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
    const qsizetype blocks = (text.size() + kUnitsPerBlock - 1) / kUnitsPerBlock;
    text.resize(blocks * kUnitsPerBlock, QChar(0));
    char16_t* units = reinterpret_cast<char16_t*>(text.data());
    // Deciphering drops the zero units that padded the last block, so the output never overtakes the input.
    qsizetype written = 0;
    for (qsizetype first = 0; first < blocks; first += kLanes) {
        const int lanes = int(std::min<qsizetype>(kLanes, blocks - first));
        std::uint32_t y[kLanes], z[kLanes];
        for (int l = 0; l < lanes; ++l) {
            const char16_t* u = units + (first + l) * kUnitsPerBlock;
            y[l] = u[0] | (std::uint32_t(u[1]) << 16);
            z[l] = u[2] | (std::uint32_t(u[3]) << 16);
        }
        Rounds(lanes, y, z, m_key, encipher);
        for (int l = 0; l < lanes; ++l) {
            const char16_t result[kUnitsPerBlock] = {char16_t(y[l]), char16_t(y[l] >> 16), char16_t(z[l]),
                                                     char16_t(z[l] >> 16)};
            for (char16_t unit : result) {
                if (encipher || unit != 0)
                    units[written++] = unit;
            }
        }
    }
    text.truncate(written);
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

void FieldCipher::Block(std::uint32_t& y, std::uint32_t& z, bool encipher) const {
    Rounds<1>(&y, &z, m_key, encipher);
}
