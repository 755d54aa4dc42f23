// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QString>

#include <memory>
#include <unordered_map>
#include <vector>

class CCard;
class CCategory;

// The wallet as the tree shows it: the root "Korvel", the categories under it and each category's cards, children
// ordered by their text (then by id, the wallet's order). It holds pointers to the wallet's records: it is filled as
// a whole when the wallet is read or locked, emptied before the wallet lets its records go, and in between follows
// each record added, changed or removed by inserting, moving and removing rows, so selections and expanded
// categories stay. Views ask only for the rows they draw, so a wallet of 100,000 cards costs a sort and a few
// vectors, not 100,000 items.
class CTreeModel : public QAbstractItemModel {
    Q_OBJECT

public:
    // The record id of an item (negated for a category that asks for the password while the wallet is locked), 0
    // for the root.
    static constexpr int kIdRole = Qt::UserRole;

    explicit CTreeModel(QObject* parent = nullptr);
    ~CTreeModel() override;

    // Filling: Begin, then each category and card in the wallet's order, then End, which sorts and shows them.
    // Cards of a category whose item data is negative stay out of the tree until the wallet is unlocked.
    void Begin(int iconSize, bool locked);
    void AddCategory(const CCategory& category);
    void AddCard(const CCard& card);
    // `cardsInOrder`: the cards came in the tree's order already, and need no sorting.
    void End(bool cardsInOrder = false);
    // Every card shown, category by category in the tree's order.
    std::vector<const CCard*> CardsInOrder() const;
    // Lets go of every record.
    void Clear();

    // One record at a time, after it was added or changed, and before it goes.
    void InsertCategory(const CCategory& category);
    // False when the change is one the tree can only show by being filled again.
    bool UpdateCategory(const CCategory& category);
    void RemoveCategory(const CCategory& category);
    void InsertCard(const CCard& card);
    void UpdateCard(const CCard& card, qint32 oldCategoryId);
    void RemoveCard(const CCard& card);

    QModelIndex RootIndex() const;
    QModelIndex CategoryIndex(qint32 categoryId) const;
    QModelIndex CardIndex(qint32 cardId) const;
    // The category or card behind an index; null for the root and for the other kind.
    const CCategory* CategoryAt(const QModelIndex& index) const;
    const CCard* CardAt(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    // A category row. Card rows point to their category's node, which stays where it is while rows move.
    struct Category {
        const CCategory* record;
        bool hidden; // asks for the password while the wallet is locked
        int row;
        std::vector<const CCard*> cards;
    };
    static constexpr quintptr kRootId = 1;
    static constexpr quintptr kCategoryId = 2;

    Category* NodeOf(qint32 categoryId) const;
    const Category* NodeAt(const QModelIndex& index) const;
    QModelIndex IndexOf(const Category& node) const;
    void Renumber();
    int CardRow(const Category& node, const CCard& card) const;
    int CategoryRow(const CCategory& category) const;
    QVariant CategoryData(const Category& category, int role) const;
    QVariant CardData(const CCard& card, int role) const;

    QIcon m_programIcon;
    int m_iconSize = 16;
    bool m_locked = false;
    std::vector<std::unique_ptr<Category>> m_categories;
    std::unordered_map<qint32, Category*> m_byId;
};
