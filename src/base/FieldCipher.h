// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// A text kept in a record's own storage rather than in a QString: its units, with room after them for the zero units
// that pad it to whole blocks, and its length, which ciphering updates.
struct CipherPiece {
    char16_t* units;
    quint32* length;
};

// Enciphers the texts of a wallet on their way into the file. The key is the program's own and the same for every
// wallet; the method comes from the wallet being read or written and is passed with every call, so one cipher serves
// any number of threads.
class FieldCipher {
public:
    enum Method : qint32 { None = 0, BlockOnly = 1, SubstituteThenBlock = 2 };
    using Key = std::array<std::uint32_t, 4>;

    // Every wallet ever written depends on these four words: they must never change.
    static constexpr Key kWalletKey{0x6B3F1D27u, 0xC48A905Eu, 0x19E7B2F3u, 0x8D5C0A61u};

    explicit FieldCipher(const Key& key = kWalletKey) : m_key(key) {}
    virtual ~FieldCipher() = default;

    // The texts are taken by value and transformed in their own buffer: a caller that moves a text in pays for no
    // copy, which matters when a whole wallet is read.
    QString Transform(QString text, qint32 method, bool encipher) const;
    QString BlockText(QString text, bool encipher) const;
    static QString SubstituteText(QString text, bool encipher);
    // Transforms every text in place, exactly as Transform would one by one. The blocks of many texts are ciphered
    // side by side and large batches are spread over the processor's cores.
    void TransformAll(std::span<QString* const> texts, qint32 method, bool encipher) const;
    // The same for texts held as pieces, each with room for its whole blocks.
    void TransformAll(std::span<const CipherPiece> pieces, qint32 method, bool encipher) const;
    // Enciphers the texts one after another into `units`, text i into units ends[i - 1] (0 for the first) to ends[i],
    // each exactly as Transform enciphers it. The texts stay as they are; one buffer serves them all.
    void EncipherInto(std::span<const QStringView> texts, qint32 method, std::vector<char16_t>& units,
                      std::vector<qsizetype>& ends) const;

    // One 64-bit block, XTEA with 32 cycles.
    void Block(std::uint32_t& y, std::uint32_t& z, bool encipher) const;

private:
    void TransformRun(std::span<const CipherPiece> pieces, qint32 method, bool encipher) const;

    Key m_key;
};
