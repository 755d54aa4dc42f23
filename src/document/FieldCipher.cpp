// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/FieldCipher.h"

namespace {
constexpr std::uint32_t kDelta = 0x9E3779B9u;
constexpr int kCycles = 32;
constexpr int kUnitsPerBlock = 4;
} // namespace

QString FieldCipher::Transform(const QString& text, bool encipher) const {
    if (text.isEmpty())
        return text;
    switch (method) {
    case BlockOnly:
        return BlockText(text, encipher);
    case SubstituteThenBlock:
        return encipher ? BlockText(SubstituteText(text, true), true) : SubstituteText(BlockText(text, false), false);
    default:
        return text;
    }
}

QString FieldCipher::BlockText(const QString& text, bool encipher) const {
    const qsizetype n = text.size();
    const qsizetype padded = (n + kUnitsPerBlock - 1) / kUnitsPerBlock * kUnitsPerBlock;
    const char16_t* in = reinterpret_cast<const char16_t*>(text.constData());
    QString out(padded, Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    qsizetype written = 0;
    for (qsizetype i = 0; i < padded; i += kUnitsPerBlock) {
        char16_t u[kUnitsPerBlock] = {0, 0, 0, 0};
        for (int j = 0; j < kUnitsPerBlock && i + j < n; ++j)
            u[j] = in[i + j];
        std::uint32_t y = u[0] | (std::uint32_t(u[1]) << 16);
        std::uint32_t z = u[2] | (std::uint32_t(u[3]) << 16);
        Block(y, z, encipher);
        const char16_t result[kUnitsPerBlock] = {char16_t(y), char16_t(y >> 16), char16_t(z), char16_t(z >> 16)};
        for (char16_t unit : result) {
            // Deciphering drops the zero units that padded the last block.
            if (encipher || unit != 0)
                dst[written++] = unit;
        }
    }
    out.truncate(written);
    return out;
}

QString FieldCipher::SubstituteText(const QString& text, bool encipher) {
    QString out(text.size(), Qt::Uninitialized);
    const char16_t* in = reinterpret_cast<const char16_t*>(text.constData());
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = in[i];
        dst[i] = encipher ? char16_t(((u - 20) ^ 23) + 77) : char16_t(((u - 77) ^ 23) + 20);
    }
    return out;
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
