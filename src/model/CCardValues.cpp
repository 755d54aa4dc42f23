// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CCardValues.h"

#include "base/CipherText.h"
#include "model/CArchive.h"
#include "model/CArchiveException.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace {
constexpr size_t kUnitsPerBlock = 4;

size_t PaddedSize(size_t length) {
    return (length + kUnitsPerBlock - 1) / kUnitsPerBlock * kUnitsPerBlock;
}
} // namespace

CCardValues::CCardValues(std::span<const QStringView> texts) {
    size_t count = std::min(texts.size(), size_t(kCount));
    while (count > 0 && texts[count - 1].isEmpty())
        --count;
    Fill(count, [texts](size_t slot) { return texts[slot]; });
}

CCardValues::CCardValues(const CCardValues& other) {
    Fill(other.KeptCount(), [&other](size_t slot) { return other[slot]; });
}

CCardValues& CCardValues::operator=(const CCardValues& other) {
    if (this != &other)
        *this = CCardValues(other);
    return *this;
}

QStringView CCardValues::operator[](size_t slot) const {
    if (slot >= KeptCount())
        return QStringView();
    const Extent& extent = Extents()[slot];
    return QStringView(Units() + extent.start, qsizetype(extent.length));
}

void CCardValues::Set(size_t slot, QStringView text) {
    Q_ASSERT(slot < size_t(kCount));
    auto textOf = [this, slot, text](size_t i) { return i == slot ? text : (*this)[i]; };
    size_t count = std::max(KeptCount(), slot + 1);
    while (count > 0 && textOf(count - 1).isEmpty())
        --count;
    CCardValues written;
    written.Fill(count, textOf);
    *this = std::move(written);
}

bool CCardValues::operator==(const CCardValues& other) const {
    return std::equal(begin(), end(), other.begin());
}

size_t CCardValues::KeptCount() const {
    return m_block ? *reinterpret_cast<const quint32*>(m_block.get()) : 0;
}

void CCardValues::Clear() {
    m_block.reset();
}

CCardValues::Extent* CCardValues::Extents() const {
    return reinterpret_cast<Extent*>(m_block.get() + sizeof(quint32));
}

char16_t* CCardValues::Units() const {
    return reinterpret_cast<char16_t*>(m_block.get() + sizeof(quint32) + KeptCount() * sizeof(Extent));
}

void CCardValues::MakeBlock(size_t count, size_t units) {
    if (count == 0) {
        m_block.reset();
        return;
    }
    m_block.reset(new std::byte[sizeof(quint32) + count * sizeof(Extent) + units * sizeof(char16_t)]);
    *reinterpret_cast<quint32*>(m_block.get()) = quint32(count);
}

template <class TextOf> void CCardValues::Fill(size_t count, TextOf&& textOf) {
    size_t units = 0;
    for (size_t slot = 0; slot < count; ++slot)
        units += PaddedSize(size_t(textOf(slot).size()));
    MakeBlock(count, units);
    size_t start = 0;
    for (size_t slot = 0; slot < count; ++slot) {
        const QStringView text = textOf(slot);
        const size_t room = PaddedSize(size_t(text.size()));
        Extents()[slot] = {quint32(start), quint32(text.size())};
        char16_t* to = Units() + start;
        std::copy_n(text.utf16(), text.size(), to);
        std::fill(to + text.size(), to + room, char16_t(0));
        start += room;
    }
}

void CCardValues::Serialize(CArchive& archive) {
    if (archive.IsStoring()) {
        for (QStringView value : *this)
            archive.WriteCiphered(value);
        return;
    }
    ReadTexts(archive);
    std::array<CipherPiece, kCount> room;
    archive.DecipherLater(Pieces(room));
}

// Takes the texts as read, padding and all, in one copy.
void CCardValues::ReadTexts(CArchive& archive) {
    std::array<quint32, kCount> lengths{};
    const std::span<const char16_t> read = archive.ReadEncipheredRun(lengths);
    size_t count = lengths.size();
    while (count > 0 && lengths[count - 1] == 0)
        --count;
    size_t units = 0;
    for (size_t slot = 0; slot < count; ++slot)
        units += PaddedSize(lengths[slot]);
    if (units > std::numeric_limits<quint32>::max())
        throw CArchiveException(QCoreApplication::translate("CCardValues", "A card holds values that are too long."));
    MakeBlock(count, units);
    size_t start = 0;
    for (size_t slot = 0; slot < count; ++slot) {
        Extents()[slot] = {quint32(start), lengths[slot]};
        start += PaddedSize(lengths[slot]);
    }
    std::copy_n(read.data(), units, Units());
}

void CCardValues::CipherTexts(bool encipher, qint32 method) {
    std::array<CipherPiece, kCount> room;
    CipherTextBatch(Pieces(room), encipher, method);
}

std::span<const CipherPiece> CCardValues::Pieces(std::array<CipherPiece, kCount>& room) const {
    size_t count = 0;
    for (size_t slot = 0; slot < KeptCount(); ++slot) {
        Extent& extent = Extents()[slot];
        if (extent.length > 0)
            room[count++] = {Units() + extent.start, &extent.length};
    }
    return std::span(room.data(), count);
}
