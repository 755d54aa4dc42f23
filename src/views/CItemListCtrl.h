// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "views/ItemMenu.h"

#include <QListView>

// The summary's large-icon list of categories or cards. Items carry their record id in Qt::UserRole; a negative id
// (a protected category while the wallet is locked) is drawn red. An empty list can show a text instead, such as
// "This category contains no cards".
class CItemListCtrl : public QListView {
    Q_OBJECT

public:
    explicit CItemListCtrl(QWidget* parent = nullptr);

    void SetMenuBuilder(ItemMenuBuilder builder);
    // The program's string shown while the list has no items (0: none), and whether to show it.
    void SetEmptyText(int stringId);
    void SetShowEmptyText(bool show);

Q_SIGNALS:
    // A command of the item menu was chosen.
    void commandChosen(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool ShowsEmptyText() const;

    ItemMenuBuilder m_menuBuilder;
    int m_emptyTextId = 0;
    bool m_showEmptyText = false;
};
