// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>

#include <vector>

class CCard;

// The cards a search found, ordered by their description. Each row keeps its own copy of what it shows, so the list
// stays valid while the wallet changes or another wallet is opened behind a Find window.
class CFindResultsModel : public QAbstractListModel {
    Q_OBJECT

public:
    static constexpr int kIdRole = Qt::UserRole;
    static constexpr int kIconSize = 16;

    explicit CFindResultsModel(QObject* parent = nullptr);

    // Replaces the rows with `cards`, sorted.
    void Fill(const std::vector<const CCard*>& cards);
    qint32 CardId(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    struct Row {
        QString description;
        qint32 iconId;
        qint32 cardId;
    };

    std::vector<Row> m_rows;
};
