// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CDlgCategory.h"

#include "base/ResourceLibrary.h"
#include "dialogs/CDlgSelectIcon.h"
#include "model/CCategory.h"
#include "model/CTemplateList.h"
#include "model/WalletContext.h"
#include "resources/StringTable.h"
#include "widgets/CIconCache.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kIconSize = 32;
// The resource library's suggested category names, separated by ";".
constexpr int kCategoryNames = 10000;
} // namespace

CDlgCategory::CDlgCategory(const WalletContext& wallet, CCategory& working, qint32 defaultTemplateId, QWidget* parent)
    : QDialog(parent), m_category(working), m_templateId(defaultTemplateId), m_iconId(working.iconId),
      m_description(new QComboBox), m_templates(new QComboBox), m_icon(new QPushButton),
      m_requirePassword(new QCheckBox(tr("&Require a password when accessing cards in this category"))) {
    setWindowTitle(tr("Category"));
    setObjectName(QStringLiteral("Category"));
    m_description->setObjectName(QStringLiteral("description"));
    m_description->setAccessibleName(tr("Description"));
    m_description->setEditable(true);
    m_description->setInsertPolicy(QComboBox::NoInsert);
    QStringList names = ResourceLibrary::String(kCategoryNames).split(u';', Qt::SkipEmptyParts);
    names.sort(Qt::CaseInsensitive);
    m_description->addItems(names);
    m_description->setEditText(working.description);
    m_description->lineEdit()->setAccessibleName(m_description->accessibleName());
    m_templates->setObjectName(QStringLiteral("defaultTemplate"));
    m_templates->setAccessibleName(tr("Default template"));
    m_templates->addItem(StringTable::Text(kStrPleaseSelect), 0);
    std::vector<std::pair<QString, qint32>> templates;
    for (const CCardTemplate* cardTemplate : wallet.Templates())
        templates.emplace_back(cardTemplate->description, cardTemplate->id);
    std::ranges::sort(templates,
                      [](const auto& a, const auto& b) { return QString::localeAwareCompare(a.first, b.first) < 0; });
    for (const auto& [text, id] : templates)
        m_templates->addItem(text, id);
    m_templates->setCurrentIndex(m_templates->findData(defaultTemplateId));
    m_icon->setObjectName(QStringLiteral("icon"));
    m_icon->setAccessibleName(tr("Icon"));
    m_icon->setIconSize(QSize(kIconSize, kIconSize));
    m_icon->setFixedSize(kIconSize + 16, kIconSize + 16);
    m_icon->setAutoDefault(false);
    connect(m_icon, &QPushButton::clicked, this, &CDlgCategory::ChooseIcon);
    m_requirePassword->setObjectName(QStringLiteral("requirePassword"));
    m_requirePassword->setAccessibleName(m_requirePassword->text().remove(u'&'));
    m_requirePassword->setChecked(working.RequiresPassword());
    ShowIcon();

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft);
    auto* descriptionLabel = new QLabel(tr("&Description (e.g: credit cards)"));
    descriptionLabel->setBuddy(m_description);
    auto* templateLabel = new QLabel(tr("Default &template for cards in this category:"));
    templateLabel->setBuddy(m_templates);
    auto* iconLabel = new QLabel(tr("&Icon:"));
    iconLabel->setBuddy(m_icon);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(descriptionLabel);
    layout->addWidget(m_description);
    layout->addSpacing(6);
    layout->addWidget(templateLabel);
    layout->addWidget(m_templates);
    layout->addSpacing(6);
    form->addRow(iconLabel, m_icon);
    layout->addLayout(form);
    layout->addWidget(m_requirePassword);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgCategory::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setTabOrder(m_description, m_templates);
    setTabOrder(m_templates, m_icon);
    setTabOrder(m_icon, m_requirePassword);
    m_description->setFocus();
}

void CDlgCategory::ChooseIcon() {
    CDlgSelectIcon picker(m_iconId, this);
    if (picker.exec() == QDialog::Accepted) {
        m_iconId = picker.IconId();
        ShowIcon();
    }
}

void CDlgCategory::ShowIcon() {
    m_icon->setIcon(CIconCache::Icon(m_iconId, kIconSize));
    m_icon->setProperty("iconId", m_iconId);
}

void CDlgCategory::accept() {
    m_templateId = m_templates->currentIndex() >= 0 ? m_templates->currentData().toInt() : 0;
    m_category.description = m_description->currentText();
    m_category.flag = m_requirePassword->isChecked() ? 1 : 0;
    m_category.iconId = m_iconId;
    QDialog::accept();
}
