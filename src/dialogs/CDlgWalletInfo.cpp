// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CDlgWalletInfo.h"

#include "base/Prompts.h"
#include "base/Utilities.h"
#include "document/CWallet.h"
#include "resources/StringTable.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int kNameWidth = 120;
constexpr int kValueWidth = 160;
} // namespace

CDlgWalletInfo::CDlgWalletInfo(CWallet& wallet, QWidget* parent)
    : QWidget(parent), m_wallet(wallet), m_items(new QTreeWidget), m_compact(new QPushButton(tr("Co&mpact"))) {
    setObjectName(QStringLiteral("InfoPage"));
    m_items->setObjectName(QStringLiteral("items"));
    m_items->setAccessibleName(tr("Wallet information"));
    m_items->setHeaderLabels({tr("Item name"), tr("Value")});
    m_items->setColumnWidth(0, kNameWidth);
    m_items->setColumnWidth(1, kValueWidth);
    m_items->setRootIsDecorated(false);
    m_items->setSelectionMode(QAbstractItemView::SingleSelection);
    m_items->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_compact->setAutoDefault(false);
    connect(m_compact, &QPushButton::clicked, this, &CDlgWalletInfo::OnCompact);
    Fill();
    auto* advanced = new QGroupBox(tr("Advanced..."));
    auto* advancedLayout = new QHBoxLayout(advanced);
    auto* hint = new QLabel(tr("Compact the file occasionally to save space."));
    hint->setWordWrap(true);
    advancedLayout->addWidget(hint, 1);
    advancedLayout->addWidget(m_compact);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_items, 1);
    layout->addWidget(advanced);
}

void CDlgWalletInfo::Fill() {
    const QString path = m_wallet.PathName();
    const std::pair<QString, QString> rows[] = {
        {tr("Num. Categories"), NumberText(int(m_wallet.Categories().Count()))},
        {tr("Num. Cards"), NumberText(int(m_wallet.Cards().Count()))},
        {tr("Num. Templates"), NumberText(int(m_wallet.Templates().Count()))},
        {tr("Num. Attachments"), NumberText(m_wallet.CountAttachments())},
        {tr("Document Path"), path.isEmpty() ? tr("N/A") : path},
        {tr("Document Version"), QString::asprintf("%4.2f", double(m_wallet.Version()))}};
    for (const auto& [name, value] : rows)
        new QTreeWidgetItem(m_items, {name, value});
}

// Compacting works on the file at once; the sheet's OK or Cancel has no say in it.
void CDlgWalletInfo::OnCompact() {
    if (m_wallet.Compact())
        Prompts::Inform(LoadResString(kStrCompacted));
    else
        Prompts::Warn(LoadResString(kStrOpenError));
}
