// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CDlgWalletDefaults.h"

#include "widgets/CColorButton.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

CDlgWalletDefaults::CDlgWalletDefaults(const WalletPropertiesEditor::Settings& settings, QWidget* parent)
    : QWidget(parent), m_backColor(new CColorButton(tr("Bac&kground Color"))),
      m_textColor(new CColorButton(tr("Text/&Foreground Color"))),
      m_boldNames(new QCheckBox(tr("Make field names &bold in summary (Pocket PC only)"))),
      m_hidePasswords(new QCheckBox(tr("Don't show passwords in &summary"))) {
    setObjectName(QStringLiteral("CardsPage"));
    m_backColor->setObjectName(QStringLiteral("backColor"));
    m_textColor->setObjectName(QStringLiteral("textColor"));
    // The defaults are those of a new wallet, not the colours of the dialog around them.
    m_backColor->SetDefaultColor(Qt::white);
    m_textColor->SetDefaultColor(Qt::black);
    m_backColor->SetStoredColor(settings.defaultBackColor);
    m_textColor->SetStoredColor(settings.defaultTextColor);
    m_boldNames->setChecked(settings.boldFieldNamesDefault != 0);
    m_hidePasswords->setChecked(settings.hidePasswordsDefault != 0);
    auto* colors = new QHBoxLayout;
    colors->addWidget(m_backColor);
    colors->addWidget(m_textColor);
    colors->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("These settings will be applied to new cards")));
    layout->addLayout(colors);
    layout->addWidget(m_boldNames);
    layout->addWidget(m_hidePasswords);
    layout->addStretch(1);
}

void CDlgWalletDefaults::Save(WalletPropertiesEditor::Settings& settings) const {
    settings.defaultBackColor = m_backColor->StoredColor();
    settings.defaultTextColor = m_textColor->StoredColor();
    settings.boldFieldNamesDefault = m_boldNames->isChecked() ? 1 : 0;
    settings.hidePasswordsDefault = m_hidePasswords->isChecked() ? 1 : 0;
}
