// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CDlgSelectIcon.h"

#include "base/ResourceLibrary.h"
#include "widgets/CIconCache.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QVBoxLayout>

namespace {
constexpr int kIconSize = 32;
constexpr int kSpacing = 55;
constexpr int kColumns = 10;
} // namespace

CDlgSelectIcon::CDlgSelectIcon(qint32 iconId, QWidget* parent)
    : QDialog(parent), m_list(new QListWidget), m_iconId(iconId) {
    setWindowTitle(tr("Select Icon"));
    setObjectName(QStringLiteral("SelectIcon"));
    m_list->setObjectName(QStringLiteral("icons"));
    m_list->setAccessibleName(tr("Icons"));
    m_list->setViewMode(QListView::IconMode);
    m_list->setIconSize(QSize(kIconSize, kIconSize));
    m_list->setGridSize(QSize(kSpacing, kSpacing));
    m_list->setResizeMode(QListView::Adjust);
    m_list->setMovement(QListView::Static);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setUniformItemSizes(true);
    // Items have no text, so the selection shows as the whole cell.
    m_list->setStyleSheet(
        QStringLiteral("QListWidget::item:selected { background: palette(highlight); border-radius: 4px; }"));
    int first = 0;
    int count = 0;
    ResourceLibrary::ImagesInfo(first, count);
    m_list->setUpdatesEnabled(false);
    for (int id = first; id < first + count; ++id) {
        auto* item = new QListWidgetItem(CIconCache::Icon(id, kIconSize), QString(), m_list);
        item->setData(Qt::UserRole, id);
        item->setToolTip(QString::number(id));
        if (id == iconId)
            m_list->setCurrentItem(item);
    }
    m_list->setUpdatesEnabled(true);
    if (m_list->currentItem())
        m_list->scrollToItem(m_list->currentItem(), QAbstractItemView::PositionAtCenter);
    else
        m_list->clearSelection();
    connect(m_list, &QListWidget::itemDoubleClicked, this, &CDlgSelectIcon::accept);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgSelectIcon::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    m_list->setMinimumSize(kColumns * kSpacing + scrollBar + 2 * m_list->frameWidth() + 4, 5 * kSpacing);
}

void CDlgSelectIcon::accept() {
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return;
    m_iconId = selected.first()->data(Qt::UserRole).toInt();
    QDialog::accept();
}
