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
// Children are ordered by their text without regard to case; equal texts keep the wallet's order, which is by id.
template <class Record> bool Before(const Record& a, const Record& b) {
    const int order = QString::compare(a.description, b.description, Qt::CaseInsensitive);
    return order < 0 || (order == 0 && a.id < b.id);
}

// Where `record` goes among `rows` (which do not hold it).
template <class Record, class Rows, class Get> int SortedRow(const Rows& rows, const Record& record, Get get) {
    const auto at =
        std::partition_point(rows.begin(), rows.end(), [&](const auto& row) { return Before(*get(row), record); });
    return int(at - rows.begin());
}

} // namespace

CTreeModel::CTreeModel(QObject* parent) : QAbstractItemModel(parent), m_programIcon(CProgramIcon::ProgramIcon()) {}

CTreeModel::~CTreeModel() = default;

void CTreeModel::Begin(int iconSize, bool locked) {
    beginResetModel();
    m_iconSize = iconSize;
    m_locked = locked;
    m_categories.clear();
    m_byId.clear();
}

void CTreeModel::AddCategory(const CCategory& category) {
    if (m_byId.count(category.id))
        return;
    m_categories.push_back(std::make_unique<Category>(
        Category{&category, m_locked && category.RequiresPassword(), int(m_categories.size()), {}}));
    m_byId.emplace(category.id, m_categories.back().get());
}

void CTreeModel::AddCard(const CCard& card) {
    if (Category* node = NodeOf(card.categoryId); node && !node->hidden)
        node->cards.push_back(&card);
}

void CTreeModel::End(bool cardsInOrder) {
    std::sort(m_categories.begin(), m_categories.end(),
              [](const auto& a, const auto& b) { return Before(*a->record, *b->record); });
    Renumber();
    for (const auto& node : m_categories) {
        if (!cardsInOrder)
            std::sort(node->cards.begin(), node->cards.end(),
                      [](const CCard* a, const CCard* b) { return Before(*a, *b); });
    }
    endResetModel();
}

std::vector<const CCard*> CTreeModel::CardsInOrder() const {
    std::vector<const CCard*> cards;
    for (const auto& node : m_categories)
        cards.insert(cards.end(), node->cards.begin(), node->cards.end());
    return cards;
}

void CTreeModel::Clear() {
    Begin(m_iconSize, m_locked);
    endResetModel();
}

void CTreeModel::Renumber() {
    for (size_t row = 0; row < m_categories.size(); ++row)
        m_categories[row]->row = int(row);
}

CTreeModel::Category* CTreeModel::NodeOf(qint32 categoryId) const {
    const auto found = m_byId.find(categoryId < 0 ? -categoryId : categoryId);
    return found == m_byId.end() ? nullptr : found->second;
}

int CTreeModel::CategoryRow(const CCategory& category) const {
    const Category* node = NodeOf(category.id);
    return node && node->record == &category ? node->row : -1;
}

int CTreeModel::CardRow(const Category& node, const CCard& card) const {
    const auto found = std::find(node.cards.begin(), node.cards.end(), &card);
    return found == node.cards.end() ? -1 : int(found - node.cards.begin());
}

void CTreeModel::InsertCategory(const CCategory& category) {
    if (m_byId.count(category.id))
        return;
    const int row = SortedRow(m_categories, category, [](const auto& node) { return node->record; });
    beginInsertRows(RootIndex(), row, row);
    auto node = std::make_unique<Category>(Category{&category, m_locked && category.RequiresPassword(), row, {}});
    m_byId.emplace(category.id, node.get());
    m_categories.insert(m_categories.begin() + row, std::move(node));
    Renumber();
    endInsertRows();
}

// The category moves to its new place by its text. One that starts or stops asking for the password while the wallet
// is locked would take its cards along: that is for a refill.
bool CTreeModel::UpdateCategory(const CCategory& category) {
    Category* node = NodeOf(category.id);
    if (!node)
        return true;
    if (node->hidden != (m_locked && category.RequiresPassword()))
        return false;
    const int from = node->row;
    std::unique_ptr<Category> held = std::move(m_categories[size_t(from)]);
    m_categories.erase(m_categories.begin() + from);
    const int to = SortedRow(m_categories, category, [](const auto& other) { return other->record; });
    m_categories.insert(m_categories.begin() + from, std::move(held));
    if (to != from && beginMoveRows(RootIndex(), from, from, RootIndex(), to > from ? to + 1 : to)) {
        std::unique_ptr<Category> moving = std::move(m_categories[size_t(from)]);
        m_categories.erase(m_categories.begin() + from);
        m_categories.insert(m_categories.begin() + to, std::move(moving));
        Renumber();
        endMoveRows();
    }
    const QModelIndex index = IndexOf(*node);
    Q_EMIT dataChanged(index, index);
    return true;
}

void CTreeModel::RemoveCategory(const CCategory& category) {
    const int row = CategoryRow(category);
    if (row < 0)
        return;
    beginRemoveRows(RootIndex(), row, row);
    m_byId.erase(category.id);
    m_categories.erase(m_categories.begin() + row);
    Renumber();
    endRemoveRows();
}

void CTreeModel::InsertCard(const CCard& card) {
    Category* node = NodeOf(card.categoryId);
    if (!node || node->hidden || CardRow(*node, card) >= 0)
        return;
    const int row = SortedRow(node->cards, card, [](const CCard* other) { return other; });
    beginInsertRows(IndexOf(*node), row, row);
    node->cards.insert(node->cards.begin() + row, &card);
    endInsertRows();
}

void CTreeModel::UpdateCard(const CCard& card, qint32 oldCategoryId) {
    Category* from = NodeOf(oldCategoryId);
    const int fromRow = from ? CardRow(*from, card) : -1;
    Category* to = NodeOf(card.categoryId);
    if (fromRow < 0 || !to || to->hidden) {
        // It was not shown, or will not be: a plain insert or removal.
        if (fromRow >= 0) {
            beginRemoveRows(IndexOf(*from), fromRow, fromRow);
            from->cards.erase(from->cards.begin() + fromRow);
            endRemoveRows();
        }
        InsertCard(card);
        return;
    }
    from->cards.erase(from->cards.begin() + fromRow);
    const int toRow = SortedRow(to->cards, card, [](const CCard* other) { return other; });
    from->cards.insert(from->cards.begin() + fromRow, &card);
    const bool moves = from != to || toRow != fromRow;
    const int destination = from == to && toRow > fromRow ? toRow + 1 : toRow;
    if (moves && beginMoveRows(IndexOf(*from), fromRow, fromRow, IndexOf(*to), destination)) {
        from->cards.erase(from->cards.begin() + fromRow);
        to->cards.insert(to->cards.begin() + toRow, &card);
        endMoveRows();
    }
    const QModelIndex index = CardIndex(card.id);
    Q_EMIT dataChanged(index, index);
}

void CTreeModel::RemoveCard(const CCard& card) {
    Category* node = NodeOf(card.categoryId);
    const int row = node ? CardRow(*node, card) : -1;
    if (row < 0)
        return;
    beginRemoveRows(IndexOf(*node), row, row);
    node->cards.erase(node->cards.begin() + row);
    endRemoveRows();
}

QModelIndex CTreeModel::RootIndex() const {
    return createIndex(0, 0, kRootId);
}

QModelIndex CTreeModel::IndexOf(const Category& node) const {
    return createIndex(node.row, 0, kCategoryId);
}

QModelIndex CTreeModel::CategoryIndex(qint32 categoryId) const {
    const Category* node = NodeOf(categoryId);
    return node ? IndexOf(*node) : QModelIndex();
}

QModelIndex CTreeModel::CardIndex(qint32 cardId) const {
    for (const auto& node : m_categories) {
        for (size_t i = 0; i < node->cards.size(); ++i) {
            if (node->cards[i]->id == cardId)
                return createIndex(int(i), 0, node.get());
        }
    }
    return {};
}

// Card rows carry their category's node as internal pointer; category rows and the root carry a tag.
const CTreeModel::Category* CTreeModel::NodeAt(const QModelIndex& index) const {
    const quintptr id = index.isValid() ? index.internalId() : 0;
    return id > kCategoryId ? static_cast<const Category*>(index.internalPointer()) : nullptr;
}

const CCategory* CTreeModel::CategoryAt(const QModelIndex& index) const {
    if (!index.isValid() || index.internalId() != kCategoryId || size_t(index.row()) >= m_categories.size())
        return nullptr;
    return m_categories[size_t(index.row())]->record;
}

const CCard* CTreeModel::CardAt(const QModelIndex& index) const {
    const Category* node = NodeAt(index);
    return node && size_t(index.row()) < node->cards.size() ? node->cards[size_t(index.row())] : nullptr;
}

QModelIndex CTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column != 0 || row >= rowCount(parent))
        return {};
    if (!parent.isValid())
        return RootIndex();
    if (parent.internalId() == kRootId)
        return createIndex(row, 0, kCategoryId);
    return createIndex(row, 0, m_categories[size_t(parent.row())].get());
}

QModelIndex CTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == kRootId)
        return {};
    if (child.internalId() == kCategoryId)
        return RootIndex();
    const Category* node = NodeAt(child);
    return IndexOf(*node);
}

int CTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return 1;
    if (parent.internalId() == kRootId)
        return int(m_categories.size());
    if (parent.internalId() != kCategoryId)
        return 0;
    return int(m_categories[size_t(parent.row())]->cards.size());
}

int CTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

// A category that asks for the password shows that it can open, so the user can ask to see its cards.
bool CTreeModel::hasChildren(const QModelIndex& parent) const {
    if (CategoryAt(parent))
        return m_categories[size_t(parent.row())]->hidden || rowCount(parent) > 0;
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
    if (id == kCategoryId)
        return CategoryData(*m_categories[size_t(index.row())], role);
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
