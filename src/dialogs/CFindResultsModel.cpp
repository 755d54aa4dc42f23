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
