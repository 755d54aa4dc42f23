// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CDlgSelectTemplate.h"

#include "model/CTemplateList.h"
#include "model/WalletContext.h"
#include "widgets/CIconCache.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {
constexpr int kIconSize = 16;
constexpr int kColumnWidth = 250;

// By name without regard to case; equal names keep the wallet's order, which is by id.
bool Before(const CCardTemplate* a, const CCardTemplate* b) {
    const int order = QString::compare(a->description, b->description, Qt::CaseInsensitive);
    return order < 0 || (order == 0 && a->id < b->id);
}
} // namespace

CDlgSelectTemplate::CDlgSelectTemplate(const WalletContext& wallet, const QString& preselected, bool showCreateLink,
                                       QWidget* parent)
    : QDialog(parent), m_list(new QTreeWidget) {
    setWindowTitle(tr("Select Template"));
    setObjectName(QStringLiteral("SelectTemplate"));
    auto* label = new QLabel(tr("&Select a Card Template..."));
    label->setBuddy(m_list);
    m_list->setObjectName(QStringLiteral("templates"));
    m_list->setAccessibleName(tr("Templates"));
    m_list->setHeaderHidden(true);
    m_list->setRootIsDecorated(false);
    m_list->setColumnCount(1);
    m_list->setColumnWidth(0, kColumnWidth);
    m_list->setIconSize(QSize(kIconSize, kIconSize));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setUniformRowHeights(true);
    QTreeWidgetItem* preselectedItem = nullptr;
    std::vector<const CCardTemplate*> templates;
    for (const CCardTemplate* cardTemplate : wallet.Templates())
        templates.push_back(cardTemplate);
    std::ranges::sort(templates, Before);
    for (const CCardTemplate* cardTemplate : templates) {
        auto* item = new QTreeWidgetItem(m_list, {cardTemplate->description});
        item->setIcon(0, CIconCache::Icon(cardTemplate->iconId, kIconSize));
        item->setData(0, Qt::UserRole, cardTemplate->internalName);
        if (!preselected.isEmpty() && cardTemplate->internalName == preselected)
            preselectedItem = item;
    }
    if (preselectedItem) {
        m_list->setCurrentItem(preselectedItem);
        m_list->scrollToItem(preselectedItem, QAbstractItemView::PositionAtCenter);
    }
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &CDlgSelectTemplate::accept);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgSelectTemplate::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_list);
    if (showCreateLink) {
        auto* create =
            new QLabel(QStringLiteral("<a href=\"create\">%1</a> %2")
                           .arg(tr("Create your own template"), tr("if one of the above does not fit your needs.")));
        create->setObjectName(QStringLiteral("createTemplate"));
        create->setWordWrap(true);
        connect(create, &QLabel::linkActivated, this, [this] {
            m_createRequested = true;
            reject();
        });
        layout->addWidget(create);
    }
    layout->addWidget(buttons);
    resize(kColumnWidth + 60, 380);
    m_list->setFocus();
}

void CDlgSelectTemplate::accept() {
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return;
    m_selected = selected.first()->data(0, Qt::UserRole).toString();
    QDialog::accept();
}
