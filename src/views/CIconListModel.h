// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>

#include <vector>

class CWalletItem;

// The summary's icon list: categories or the cards of one category, as large icons ordered by their text. Items
// point into the wallet's lists: the list is filled whenever it is shown, then follows the records added, changed
// and removed, and is emptied before the wallet lets its records go.
class CIconListModel : public QAbstractListModel {
    Q_OBJECT

public:
    // The record id (negated for a category that asks for the password while the wallet is locked).
    static constexpr int kIdRole = Qt::UserRole;
    static constexpr int kIconSize = 32;

    explicit CIconListModel(QObject* parent = nullptr);

    // Filling: Begin, then Add for each record, then End, which sorts.
    void Begin();
    void Add(const CWalletItem& record, bool hidden);
    void End();
    void Clear();
    // Inserts the record, or updates its item when it has one already; gives its row.
    int InsertOrUpdate(const CWalletItem& record, bool hidden);
    void Remove(qint32 id);
    // The row of the record with this id or its negation, -1 when none.
    int RowOf(qint32 id) const;
    const CWalletItem* RecordAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    struct Item {
        const CWalletItem* record;
        bool hidden;
    };
    void Sort();
    int SortedRow(const CWalletItem& record) const;

    std::vector<Item> m_items;
};
