// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstddef>
#include <iterator>
#include <span>
#include <vector>

class CArchive;

// A card's 15 values, one per field slot of its template. Cards fill their slots from the first on, and most leave
// the later ones empty, so only the values up to the last one written are kept; the slots after it read as empty.
// Reading never makes room; writing a slot (the non-const operator[]) makes room up to it.
class CCardValues {
public:
    static constexpr int kCount = 15;

    // Goes through all 15 slots, the empty ones that are not kept included.
    class ConstIterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = QString;
        using difference_type = std::ptrdiff_t;
        using pointer = const QString*;
        using reference = const QString&;

        ConstIterator() = default;
        ConstIterator(const CCardValues* values, size_t slot) : m_values(values), m_slot(slot) {}
        const QString& operator*() const { return (*m_values)[m_slot]; }
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

    const QString& operator[](size_t slot) const { return slot < m_kept.size() ? m_kept[slot] : EmptyText(); }
    QString& operator[](size_t slot);
    ConstIterator begin() const { return ConstIterator(this, 0); }
    ConstIterator end() const { return ConstIterator(this, kCount); }
    // Writing through these makes room for every slot.
    QString* begin();
    QString* end();
    // Equal when every slot holds the same text, however many each keeps.
    bool operator==(const CCardValues& other) const;

    // The slots kept, from the first to the last one written; the texts that enciphering and searching must visit.
    std::span<QString> Kept() { return m_kept; }
    std::span<const QString> Kept() const { return m_kept; }
    // Empties every slot and gives back their room.
    void Clear();
    // Writes the 15 texts enciphered, or reads them and keeps room only up to the last non-empty one.
    void Serialize(CArchive& archive);

private:
    static const QString& EmptyText();
    void MakeRoom(size_t count);

    std::vector<QString> m_kept;
};
