// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CTreeModel.h"

#include "model/CCard.h"
#include "model/CCategory.h"
#include "resources/StringTable.h"
#include "views/CProgramIcon.h"
#include "widgets/CIconCache.h"

#include <QFont>

#include <algorithm>

namespace {
// Card rows carry their category's position in the high half of the internal id and their row in the low half.
constexpr int kRowBits = 32;

// The tree orders children by their text, without regard to case; equal texts keep the wallet's order.
template <class Record> bool ByText(const Record* a, const Record* b) {
    return QString::compare(a->description, b->description, Qt::CaseInsensitive) < 0;
}
} // namespace

CTreeModel::CTreeModel(QObject* parent) : QAbstractItemModel(parent), m_programIcon(CProgramIcon::ProgramIcon()) {}

void CTreeModel::Begin(int iconSize, bool locked) {
    beginResetModel();
    m_iconSize = iconSize;
    m_locked = locked;
    m_categories.clear();
    m_categoryRows.clear();
}

void CTreeModel::AddCategory(const CCategory& category) {
    if (m_categoryRows.count(category.id))
        return;
    m_categoryRows.emplace(category.id, m_categories.size());
    m_categories.push_back({&category, m_locked && category.RequiresPassword(), {}});
}

void CTreeModel::AddCard(const CCard& card) {
    const auto found = m_categoryRows.find(card.categoryId);
    if (found != m_categoryRows.end() && !m_categories[found->second].hidden)
        m_categories[found->second].cards.push_back(&card);
}

void CTreeModel::End() {
    std::stable_sort(m_categories.begin(), m_categories.end(),
                     [](const Category& a, const Category& b) { return ByText(a.record, b.record); });
    m_categoryRows.clear();
    for (size_t row = 0; row < m_categories.size(); ++row) {
        m_categoryRows.emplace(m_categories[row].record->id, row);
        std::stable_sort(m_categories[row].cards.begin(), m_categories[row].cards.end(), ByText<CCard>);
    }
    endResetModel();
}

QModelIndex CTreeModel::RootIndex() const {
    return createIndex(0, 0, kRootId);
}

QModelIndex CTreeModel::CategoryIndex(qint32 categoryId) const {
    const auto found = m_categoryRows.find(categoryId < 0 ? -categoryId : categoryId);
    return found == m_categoryRows.end() ? QModelIndex()
                                         : createIndex(int(found->second), 0, kFirstCategoryId + found->second);
}

QModelIndex CTreeModel::CardIndex(qint32 cardId) const {
    for (size_t row = 0; row < m_categories.size(); ++row) {
        const std::vector<const CCard*>& cards = m_categories[row].cards;
        for (size_t i = 0; i < cards.size(); ++i) {
            if (cards[i]->id == cardId)
                return createIndex(int(i), 0, (quintptr(row + 1) << kRowBits) | i);
        }
    }
    return {};
}

const CCategory* CTreeModel::CategoryAt(const QModelIndex& index) const {
    const quintptr id = index.isValid() ? index.internalId() : 0;
    if (id < kFirstCategoryId || (id >> kRowBits) != 0)
        return nullptr;
    return m_categories[id - kFirstCategoryId].record;
}

const CCard* CTreeModel::CardAt(const QModelIndex& index) const {
    const quintptr id = index.isValid() ? index.internalId() : 0;
    if ((id >> kRowBits) == 0)
        return nullptr;
    return m_categories[(id >> kRowBits) - 1].cards[id & ((quintptr(1) << kRowBits) - 1)];
}

QModelIndex CTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column != 0 || row >= rowCount(parent))
        return {};
    if (!parent.isValid())
        return RootIndex();
    if (parent.internalId() == kRootId)
        return createIndex(row, 0, kFirstCategoryId + quintptr(row));
    return createIndex(row, 0, (quintptr(parent.row() + 1) << kRowBits) | quintptr(row));
}

QModelIndex CTreeModel::parent(const QModelIndex& child) const {
    const quintptr id = child.isValid() ? child.internalId() : 0;
    if (id == 0 || id == kRootId)
        return {};
    if ((id >> kRowBits) == 0)
        return RootIndex();
    const size_t row = (id >> kRowBits) - 1;
    return createIndex(int(row), 0, kFirstCategoryId + row);
}

int CTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return 1;
    const quintptr id = parent.internalId();
    if (id == kRootId)
        return int(m_categories.size());
    if ((id >> kRowBits) != 0)
        return 0;
    return int(m_categories[id - kFirstCategoryId].cards.size());
}

int CTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

// A category that asks for the password shows that it can open, so the user can ask to see its cards.
bool CTreeModel::hasChildren(const QModelIndex& parent) const {
    if (CategoryAt(parent))
        return m_categories[size_t(parent.row())].hidden || rowCount(parent) > 0;
    return rowCount(parent) > 0;
}

QVariant CTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const quintptr id = index.internalId();
    if (id == kRootId) {
        switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return StringTable::Text(kStrAppTitle);
        case Qt::DecorationRole:
            return m_programIcon;
        case Qt::FontRole: {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        case kIdRole:
            return 0;
        default:
            return {};
        }
    }
    if ((id >> kRowBits) == 0)
        return CategoryData(m_categories[id - kFirstCategoryId], role);
    return CardData(*CardAt(index), role);
}

QVariant CTreeModel::CategoryData(const Category& category, int role) const {
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return category.record->description;
    case Qt::DecorationRole:
        return CIconCache::Icon(category.record->iconId, m_iconSize);
    case Qt::FontRole: {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    case kIdRole:
        return category.hidden ? -category.record->id : category.record->id;
    default:
        return {};
    }
}

QVariant CTreeModel::CardData(const CCard& card, int role) const {
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return card.description;
    case Qt::DecorationRole:
        return CIconCache::Icon(card.iconId, m_iconSize);
    case kIdRole:
        return card.id;
    default:
        return {};
    }
}
