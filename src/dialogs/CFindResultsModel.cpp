// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CFindResultsModel.h"

#include "model/CCard.h"
#include "widgets/CIconCache.h"

#include <algorithm>

CFindResultsModel::CFindResultsModel(QObject* parent) : QAbstractListModel(parent) {}

void CFindResultsModel::Fill(const std::vector<const CCard*>& cards) {
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(cards.size());
    for (const CCard* card : cards)
        m_rows.push_back({card->description, card->iconId, card->id});
    std::stable_sort(m_rows.begin(), m_rows.end(), [](const Row& a, const Row& b) {
        return QString::compare(a.description, b.description, Qt::CaseInsensitive) < 0;
    });
    endResetModel();
}

void CFindResultsModel::Clear() {
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

int CFindResultsModel::RowOf(qint32 cardId) const {
    const auto found =
        std::find_if(m_rows.begin(), m_rows.end(), [cardId](const Row& row) { return row.cardId == cardId; });
    return found == m_rows.end() ? -1 : int(found - m_rows.begin());
}

void CFindResultsModel::Update(const CCard& card) {
    const int from = RowOf(card.id);
    if (from < 0)
        return;
    const Row updated{card.description, card.iconId, card.id};
    m_rows.erase(m_rows.begin() + from);
    const auto place = std::partition_point(m_rows.begin(), m_rows.end(), [&updated](const Row& row) {
        return QString::compare(row.description, updated.description, Qt::CaseInsensitive) <= 0;
    });
    const int to = int(place - m_rows.begin());
    m_rows.insert(m_rows.begin() + from, updated);
    if (to != from && beginMoveRows({}, from, from, {}, to > from ? to + 1 : to)) {
        m_rows.erase(m_rows.begin() + from);
        m_rows.insert(m_rows.begin() + to, updated);
        endMoveRows();
    }
    const QModelIndex changed = index(to);
    Q_EMIT dataChanged(changed, changed);
}

void CFindResultsModel::Remove(qint32 cardId) {
    const int row = RowOf(cardId);
    if (row < 0)
        return;
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

qint32 CFindResultsModel::CardId(int row) const {
    return m_rows.at(size_t(row)).cardId;
}

int CFindResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant CFindResultsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || size_t(index.row()) >= m_rows.size())
        return {};
    const Row& row = m_rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return row.description;
    case Qt::DecorationRole:
        return CIconCache::Icon(row.iconId, kIconSize);
    case kIdRole:
        return row.cardId;
    default:
        return {};
    }
}
