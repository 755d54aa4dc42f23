// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CItemListCtrl.h"

#include "base/Utilities.h"
#include "views/CItemDelegate.h"

#include <QContextMenuEvent>
#include <QPainter>

CItemListCtrl::CItemListCtrl(QWidget* parent) : QListView(parent) {
    setItemDelegate(new CItemDelegate(this));
    setViewMode(QListView::IconMode);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setWordWrap(true);
}

void CItemListCtrl::SetMenuBuilder(ItemMenuBuilder builder) {
    m_menuBuilder = std::move(builder);
}

void CItemListCtrl::SetEmptyText(int stringId) {
    m_emptyTextId = stringId;
    viewport()->update();
}

void CItemListCtrl::SetShowEmptyText(bool show) {
    m_showEmptyText = show;
    viewport()->update();
}

bool CItemListCtrl::ShowsEmptyText() const {
    return m_showEmptyText && m_emptyTextId != 0 && (!model() || model()->rowCount(rootIndex()) == 0);
}

void CItemListCtrl::paintEvent(QPaintEvent* event) {
    if (!ShowsEmptyText()) {
        QListView::paintEvent(event);
        return;
    }
    QPainter painter(viewport());
    const QRect area = viewport()->rect();
    painter.fillRect(area, palette().brush(QPalette::Base));
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(area.translated(0, 10), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                     LoadResString(m_emptyTextId));
}

void CItemListCtrl::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    const int command = RunItemMenu(m_menuBuilder, event->globalPos());
    if (command != 0)
        Q_EMIT commandChosen(command);
}
