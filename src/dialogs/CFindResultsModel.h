// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>

#include <vector>

class CCard;

// The cards a search found, ordered by their description. Each row keeps its own copy of what it shows, which the
// Find window brings up to date as the wallet's cards change or go.
class CFindResultsModel : public QAbstractListModel {
    Q_OBJECT

public:
    static constexpr int kIdRole = Qt::UserRole;
    static constexpr int kIconSize = 16;

    explicit CFindResultsModel(QObject* parent = nullptr);

    // Replaces the rows with `cards`, sorted.
    void Fill(const std::vector<const CCard*>& cards);
    qint32 CardId(int row) const;
    // A card found changed: its row shows it as it is now, in its new place.
    void Update(const CCard& card);
    void Remove(qint32 cardId);
    void Clear();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    struct Row {
        QString description;
        qint32 iconId;
        qint32 cardId;
    };

    int RowOf(qint32 cardId) const;

    std::vector<Row> m_rows;
};
