// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/FieldCipher.h"

#include <utility>

namespace {
constexpr std::uint32_t kDelta = 0x9E3779B9u;
constexpr int kCycles = 32;
constexpr int kUnitsPerBlock = 4;
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
    const qsizetype padded = (text.size() + kUnitsPerBlock - 1) / kUnitsPerBlock * kUnitsPerBlock;
    text.resize(padded, QChar(0));
    char16_t* units = reinterpret_cast<char16_t*>(text.data());
    // Deciphering drops the zero units that padded the last block, so the output never overtakes the input.
    qsizetype written = 0;
    for (qsizetype i = 0; i < padded; i += kUnitsPerBlock) {
        std::uint32_t y = units[i] | (std::uint32_t(units[i + 1]) << 16);
        std::uint32_t z = units[i + 2] | (std::uint32_t(units[i + 3]) << 16);
        Block(y, z, encipher);
        const char16_t result[kUnitsPerBlock] = {char16_t(y), char16_t(y >> 16), char16_t(z), char16_t(z >> 16)};
        for (char16_t unit : result) {
            if (encipher || unit != 0)
                units[written++] = unit;
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
    const Key& k = m_key;
    if (encipher) {
        std::uint32_t sum = 0;
        for (int i = 0; i < kCycles; ++i) {
            y += (((z << 4) ^ (z >> 5)) + z) ^ (sum + k[sum & 3]);
            sum += kDelta;
            z += (((y << 4) ^ (y >> 5)) + y) ^ (sum + k[(sum >> 11) & 3]);
        }
    } else {
        std::uint32_t sum = kDelta * kCycles;
        for (int i = 0; i < kCycles; ++i) {
            z -= (((y << 4) ^ (y >> 5)) + y) ^ (sum + k[(sum >> 11) & 3]);
            sum -= kDelta;
            y -= (((z << 4) ^ (z >> 5)) + z) ^ (sum + k[sum & 3]);
        }
    }
}
