// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CCardValues.h"

#include "model/CArchive.h"

#include <array>
#include <iterator>
#include <utility>

const QString& CCardValues::EmptyText() {
    static const QString empty;
    return empty;
}

QString& CCardValues::operator[](size_t slot) {
    Q_ASSERT(slot < size_t(kCount));
    MakeRoom(slot + 1);
    return m_kept[slot];
}

QString* CCardValues::begin() {
    MakeRoom(kCount);
    return m_kept.data();
}

QString* CCardValues::end() {
    MakeRoom(kCount);
    return m_kept.data() + kCount;
}

bool CCardValues::operator==(const CCardValues& other) const {
    for (size_t slot = 0; slot < size_t(kCount); ++slot) {
        if ((*this)[slot] != other[slot])
            return false;
    }
    return true;
}

void CCardValues::Clear() {
    std::vector<QString>().swap(m_kept);
}

void CCardValues::MakeRoom(size_t count) {
    if (m_kept.size() >= count)
        return;
    // Room for exactly the slots asked for: a card is written a slot or two at a time, rarely.
    m_kept.reserve(count);
    m_kept.resize(count);
}

void CCardValues::Serialize(CArchive& archive) {
    if (archive.IsStoring()) {
        for (const QString& value : std::as_const(*this))
            archive.WriteCiphered(value);
        return;
    }
    std::array<QString, kCount> read;
    size_t count = 0;
    for (size_t slot = 0; slot < read.size(); ++slot) {
        read[slot] = archive.ReadEnciphered();
        if (!read[slot].isEmpty())
            count = slot + 1;
    }
    m_kept.assign(std::make_move_iterator(read.begin()), std::make_move_iterator(read.begin() + qsizetype(count)));
    for (QString& value : m_kept)
        archive.DecipherLater(value);
}
