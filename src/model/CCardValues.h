// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <iterator>
#include <memory>
#include <span>

class CArchive;
struct CipherPiece;

// A card's 15 values, one per field slot of its template. A wallet holds many cards and their values are short, so
// they live in one allocation per card: the slots up to the last one written, each text in room padded to whole
// cipher blocks, so that the texts are enciphered and deciphered where they are. The slots after the last one kept
// read as empty.
class CCardValues {
public:
    static constexpr int kCount = 15;

    // Goes through all 15 slots, the empty ones that are not kept included.
    class ConstIterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = QStringView;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = QStringView;

        ConstIterator() = default;
        ConstIterator(const CCardValues* values, size_t slot) : m_values(values), m_slot(slot) {}
        QStringView operator*() const { return (*m_values)[m_slot]; }
        ConstIterator& operator++() {
            ++m_slot;
            return *this;
        }
        ConstIterator operator++(int) {
            ConstIterator before = *this;
            ++m_slot;
            return before;
        }
        bool operator==(const ConstIterator&) const = default;

    private:
        const CCardValues* m_values = nullptr;
        size_t m_slot = 0;
    };

    CCardValues() = default;
    // Slot i holds texts[i], for at most the first 15 texts: one allocation for all.
    explicit CCardValues(std::span<const QStringView> texts);
    CCardValues(const CCardValues& other);
    CCardValues& operator=(const CCardValues& other);
    CCardValues(CCardValues&& other) noexcept = default;
    CCardValues& operator=(CCardValues&& other) noexcept = default;
    ~CCardValues() = default;

    QStringView operator[](size_t slot) const;
    // Writes one slot; the others keep their texts.
    void Set(size_t slot, QStringView text);
    ConstIterator begin() const { return ConstIterator(this, 0); }
    ConstIterator end() const { return ConstIterator(this, kCount); }
    // Equal when every slot holds the same text, however many each keeps.
    bool operator==(const CCardValues& other) const;

    // The slots kept, from the first to the last one written: the ones that enciphering and searching must visit.
    size_t KeptCount() const;
    // Empties every slot and gives back their room.
    void Clear();
    // Writes the 15 texts enciphered, or reads them and keeps room only up to the last non-empty one.
    void Serialize(CArchive& archive);
    // Replaces each text by its enciphered or deciphered form, where it is.
    void CipherTexts(bool encipher, qint32 method);

private:
    // Where a kept slot's text lies among the units, and its length; its room runs to the next slot's start.
    struct Extent {
        quint32 start;
        quint32 length;
    };

    Extent* Extents() const;
    char16_t* Units() const;
    void MakeBlock(size_t count, size_t units);
    // Makes the block anew with `count` slots, slot i holding textOf(i).
    template <class TextOf> void Fill(size_t count, TextOf&& textOf);
    void ReadTexts(CArchive& archive);
    // The non-empty texts as pieces for the cipher, in `room`.
    std::span<const CipherPiece> Pieces(std::array<CipherPiece, kCount>& room) const;

    // The count of slots kept, their extents, then their units; none while every slot is empty.
    std::unique_ptr<std::byte[]> m_block;
};
