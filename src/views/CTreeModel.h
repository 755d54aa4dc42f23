// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QString>

#include <unordered_map>
#include <vector>

class CCard;
class CCategory;

// The wallet as the tree shows it: the root "Korvel", the categories under it and each category's cards, children
// ordered by their text. It holds pointers into the wallet's lists and is filled anew, as a whole, on every change
// of the wallet, so it never outlives the records it shows. Views ask only for the rows they draw, so a wallet of
// 100,000 cards costs a sort and a few vectors, not 100,000 items.
class CTreeModel : public QAbstractItemModel {
    Q_OBJECT

public:
    // The record id of an item (negated for a category that asks for the password while the wallet is locked), 0
    // for the root.
    static constexpr int kIdRole = Qt::UserRole;

    explicit CTreeModel(QObject* parent = nullptr);

    // Filling: Begin, then each category and card in the wallet's order, then End, which sorts and shows them.
    // Cards of a category whose item data is negative stay out of the tree until the wallet is unlocked.
    void Begin(int iconSize, bool locked);
    void AddCategory(const CCategory& category);
    void AddCard(const CCard& card);
    void End();

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
    struct Category {
        const CCategory* record;
        bool hidden; // asks for the password while the wallet is locked
        std::vector<const CCard*> cards;
    };
    static constexpr quintptr kRootId = 1;
    static constexpr quintptr kFirstCategoryId = 2;

    QVariant CategoryData(const Category& category, int role) const;
    QVariant CardData(const CCard& card, int role) const;

    QIcon m_programIcon;
    int m_iconSize = 16;
    bool m_locked = false;
    std::vector<Category> m_categories;
    // Category id to its position in m_categories while filling and afterwards.
    std::unordered_map<qint32, size_t> m_categoryRows;
};
