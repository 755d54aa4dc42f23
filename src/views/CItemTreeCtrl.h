// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "views/ItemMenu.h"

#include <QTreeView>

class CItemDelegate;

// The tree of the wallet's categories and cards over the tree view's model. Items carry their record id in
// Qt::UserRole (negative for a protected category while the wallet is locked, drawn red); the model gives bold items
// their font through Qt::FontRole.
//
// A right click does not move the selection: the item menu is built for the item selected at that moment, and the
// item under the cursor is selected only once a command is chosen, just before commandChosen() is emitted.
class CItemTreeCtrl : public QTreeView {
    Q_OBJECT

public:
    explicit CItemTreeCtrl(QWidget* parent = nullptr);

    void SetMenuBuilder(ItemMenuBuilder builder);

    // The number of ancestors: 0 for no item and for a top-level item (the wallet's root), 1 for a category, 2 for a
    // card.
    static int GetItemLevel(const QModelIndex& index);
    // The direct child of `parent` (no index: the top level) whose id is `id` or its negation; no index when none.
    QModelIndex FindChildItem(const QModelIndex& parent, int id) const;

Q_SIGNALS:
    // A command of the item menu was chosen.
    void commandChosen(int id);

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // For the keyboard's menu key: just inside the selected item's text.
    QPoint KeyboardMenuPosition() const;

    CItemDelegate* m_delegate;
    ItemMenuBuilder m_menuBuilder;
};
