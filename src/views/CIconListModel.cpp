// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CIconListModel.h"

#include "model/CWalletItem.h"
#include "widgets/CIconCache.h"

#include <algorithm>

CIconListModel::CIconListModel(QObject* parent) : QAbstractListModel(parent) {}

void CIconListModel::Begin() {
    beginResetModel();
    m_items.clear();
}

void CIconListModel::Add(const CWalletItem& record, bool hidden) {
    m_items.push_back({&record, hidden});
}

void CIconListModel::End() {
    Sort();
    endResetModel();
}

void CIconListModel::Clear() {
    Begin();
    End();
}

namespace {
// Items are ordered by their text without regard to case; equal texts keep the wallet's order, which is by id.
bool Before(const CWalletItem& a, const CWalletItem& b) {
    const int order = QString::compare(a.description, b.description, Qt::CaseInsensitive);
    return order < 0 || (order == 0 && a.id < b.id);
}
} // namespace

void CIconListModel::Sort() {
    std::sort(m_items.begin(), m_items.end(),
              [](const Item& a, const Item& b) { return Before(*a.record, *b.record); });
}

int CIconListModel::SortedRow(const CWalletItem& record) const {
    const auto at = std::partition_point(m_items.begin(), m_items.end(),
                                         [&record](const Item& item) { return Before(*item.record, record); });
    return int(at - m_items.begin());
}

// A changed record moves to its new place, so a selection stays with it.
int CIconListModel::InsertOrUpdate(const CWalletItem& record, bool hidden) {
    const int from = RowOf(record.id);
    if (from < 0) {
        const int row = SortedRow(record);
        beginInsertRows({}, row, row);
        m_items.insert(m_items.begin() + row, {&record, hidden});
        endInsertRows();
        return row;
    }
    const Item item{&record, hidden};
    m_items.erase(m_items.begin() + from);
    const int to = SortedRow(record);
    m_items.insert(m_items.begin() + from, item);
    if (to != from && beginMoveRows({}, from, from, {}, to > from ? to + 1 : to)) {
        m_items.erase(m_items.begin() + from);
        m_items.insert(m_items.begin() + to, item);
        endMoveRows();
    }
    const QModelIndex changed = index(to);
    Q_EMIT dataChanged(changed, changed);
    return to;
}

void CIconListModel::Remove(qint32 id) {
    const int row = RowOf(id);
    if (row < 0)
        return;
    beginRemoveRows({}, row, row);
    m_items.erase(m_items.begin() + row);
    endRemoveRows();
}

int CIconListModel::RowOf(qint32 id) const {
    const qint32 wanted = id < 0 ? -id : id;
    for (size_t row = 0; row < m_items.size(); ++row) {
        if (m_items[row].record->id == wanted)
            return int(row);
    }
    return -1;
}

const CWalletItem* CIconListModel::RecordAt(int row) const {
    return row >= 0 && size_t(row) < m_items.size() ? m_items[size_t(row)].record : nullptr;
}

int CIconListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant CIconListModel::data(const QModelIndex& index, int role) const {
    const CWalletItem* record = RecordAt(index.row());
    if (!record)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
    case Qt::ToolTipRole:
        return record->description;
    case Qt::DecorationRole:
        return CIconCache::Icon(record->iconId, kIconSize);
    case kIdRole:
        return m_items[size_t(index.row())].hidden ? -record->id : record->id;
    default:
        return {};
    }
}
