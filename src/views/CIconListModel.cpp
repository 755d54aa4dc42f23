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

void CIconListModel::Sort() {
    std::stable_sort(m_items.begin(), m_items.end(), [](const Item& a, const Item& b) {
        return QString::compare(a.record->description, b.record->description, Qt::CaseInsensitive) < 0;
    });
}

int CIconListModel::InsertOrUpdate(const CWalletItem& record, bool hidden) {
    beginResetModel();
    const int row = RowOf(record.id);
    if (row < 0)
        m_items.push_back({&record, hidden});
    else
        m_items[size_t(row)] = {&record, hidden};
    Sort();
    endResetModel();
    return RowOf(record.id);
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
