// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CDlgExport.h"

#include "base/Prompts.h"
#include "base/Utilities.h"
#include "document/CWallet.h"
#include "document/WalletExport.h"
#include "model/CCategory.h"
#include "resources/StringTable.h"
#include "widgets/CIconCache.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {
constexpr int kIconSize = 16;
constexpr int kColumnWidth = 200;

// As the tree lists them: by name without regard to case, equal names in the wallet's order, which is by id.
bool Before(const CCategory* a, const CCategory* b) {
    const int order = QString::compare(a->description, b->description, Qt::CaseInsensitive);
    return order < 0 || (order == 0 && a->id < b->id);
}
} // namespace

CDlgExport::CDlgExport(const CWallet& wallet, QWidget* parent)
    : QDialog(parent), m_wallet(wallet), m_text(new QRadioButton(tr("&Simple Text"))),
      m_xml(new QRadioButton(tr("&XML"))), m_categories(new QTreeWidget) {
    setObjectName(QStringLiteral("ExportData"));
    setWindowTitle(tr("Export Data"));
    m_text->setChecked(true);
    m_categories->setObjectName(QStringLiteral("categories"));
    m_categories->setAccessibleName(tr("Categories to export"));
    m_categories->setHeaderHidden(true);
    m_categories->setRootIsDecorated(false);
    m_categories->setColumnCount(1);
    m_categories->setColumnWidth(0, kColumnWidth);
    m_categories->setIconSize(QSize(kIconSize, kIconSize));
    m_categories->setSelectionMode(QAbstractItemView::SingleSelection);
    FillCategories();
    auto* format = new QGroupBox(tr("Format"));
    auto* formatLayout = new QVBoxLayout(format);
    formatLayout->addWidget(m_text);
    formatLayout->addWidget(m_xml);
    formatLayout->addStretch(1);
    auto* categories = new QGroupBox(tr("Categories to &Export:"));
    auto* categoriesLayout = new QVBoxLayout(categories);
    categoriesLayout->addWidget(m_categories);
    auto* choices = new QHBoxLayout;
    choices->addWidget(format);
    choices->addWidget(categories, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgExport::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Select the format and categories to export:")));
    layout->addLayout(choices, 1);
    layout->addWidget(buttons);
    resize(kColumnWidth + 260, 320);
}

void CDlgExport::FillCategories() {
    std::vector<const CCategory*> categories;
    for (const CCategory* category : m_wallet.Categories())
        categories.push_back(category);
    std::ranges::sort(categories, Before);
    for (const CCategory* category : categories) {
        auto* item = new QTreeWidgetItem(m_categories, {category->description});
        item->setIcon(0, CIconCache::Icon(category->iconId, kIconSize));
        item->setData(0, Qt::UserRole, category->id);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Checked);
    }
}

bool CDlgExport::IsTicked(qint32 categoryId) const {
    for (int row = 0; row < m_categories->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = m_categories->topLevelItem(row);
        if (item->data(0, Qt::UserRole).toInt() == categoryId)
            return item->checkState(0) == Qt::Checked;
    }
    return false;
}

void CDlgExport::accept() {
    const bool xml = m_xml->isChecked();
    const QString path = Prompts::Get().SaveFileName(
        xml ? tr("XML Files (*.xml)|*.xml|") : tr("Text Files (*.txt)|*.txt|"),
        xml ? QStringLiteral("xml") : QStringLiteral("txt"), m_wallet.TitleWithoutExtension());
    if (path.isEmpty())
        return;
    QList<qint32> chosen;
    for (const CCategory* category : m_wallet.Categories()) {
        if (IsTicked(category->id))
            chosen.append(category->id);
    }
    QString error;
    if (!WalletExport::Write(m_wallet, chosen, xml ? WalletExport::Format::Xml : WalletExport::Format::Text, path,
                             error)) {
        Prompts::Warn(LoadResString(kStrOpenError) + QStringLiteral("\n\n") + error);
        return;
    }
    Prompts::Inform(FormatText(LoadResString(kStrExported), {QDir::toNativeSeparators(path)}));
    QDialog::accept();
}
