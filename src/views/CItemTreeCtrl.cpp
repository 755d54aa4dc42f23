// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CItemTreeCtrl.h"

#include "views/CItemDelegate.h"

#include <QContextMenuEvent>
#include <QMouseEvent>

CItemTreeCtrl::CItemTreeCtrl(QWidget* parent) : QTreeView(parent), m_delegate(new CItemDelegate(this)) {
    setItemDelegate(m_delegate);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Every row has the same height, which keeps a tree of 100,000 cards quick to lay out and scroll.
    setUniformRowHeights(true);
}

void CItemTreeCtrl::SetMenuBuilder(ItemMenuBuilder builder) {
    m_menuBuilder = std::move(builder);
}

int CItemTreeCtrl::GetItemLevel(const QModelIndex& index) {
    int level = 0;
    for (QModelIndex ancestor = index.parent(); ancestor.isValid(); ancestor = ancestor.parent())
        ++level;
    return level;
}

QModelIndex CItemTreeCtrl::FindChildItem(const QModelIndex& parent, int id) const {
    if (!model())
        return {};
    const int rows = model()->rowCount(parent);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex child = model()->index(row, 0, parent);
        const int childId = child.data(CItemDelegate::kIdRole).toInt();
        if (childId == id || childId == -id)
            return child;
    }
    return {};
}

void CItemTreeCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    if (hasFocus()) {
        QTreeView::drawRow(painter, option, index);
        return;
    }
    // The row's indentation shows the selection too: in the same quiet colour as the item.
    QStyleOptionViewItem quiet = option;
    quiet.palette.setColor(QPalette::Highlight, CItemDelegate::QuietHighlight(palette()));
    QTreeView::drawRow(painter, quiet, index);
}

void CItemTreeCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton) {
        QTreeView::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    event->accept();
}

void CItemTreeCtrl::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    QPersistentModelIndex clicked;
    QPoint menuPosition = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        const QModelIndex hit = indexAt(event->pos());
        if (hit.isValid() && visualRect(hit).contains(event->pos()))
            clicked = hit;
    } else {
        menuPosition = KeyboardMenuPosition();
    }
    const int command = RunItemMenu(m_menuBuilder, menuPosition);
    if (command == 0)
        return;
    if (clicked.isValid())
        setCurrentIndex(clicked);
    Q_EMIT commandChosen(command);
}

QPoint CItemTreeCtrl::KeyboardMenuPosition() const {
    const QModelIndex selected = currentIndex();
    QRect label = viewport()->rect();
    if (selected.isValid()) {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.rect = visualRect(selected);
        label = m_delegate->LabelRect(option, selected);
    }
    return viewport()->mapToGlobal(label.topLeft() + QPoint(15, 8));
}
