// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CDlgCardTab2.h"

#include "dialogs/CDlgSelectIcon.h"
#include "model/CCard.h"
#include "widgets/CColorButton.h"
#include "widgets/CIconCache.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kIconSize = 32;

// Colours are kept as 0x00BBGGRR.
QColor ToColor(quint32 value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

quint32 FromColor(const QColor& color) {
    return quint32(color.red()) | quint32(color.green()) << 8 | quint32(color.blue()) << 16;
}
} // namespace

CDlgCardTab2::CDlgCardTab2(CCard& working, QWidget* parent)
    : QWidget(parent), m_card(working), m_iconId(working.iconId), m_icon(new QPushButton),
      m_textColor(new CColorButton(tr("Text/&Foreground Color"))),
      m_backColor(new CColorButton(tr("Bac&kground Color"))),
      m_boldNames(new QCheckBox(tr("Make field names &bold in summary (Pocket PC only)"))),
      m_hidePasswords(new QCheckBox(tr("Don't &show passwords in summary"))) {
    setObjectName(QStringLiteral("SettingsPage"));
    m_icon->setObjectName(QStringLiteral("icon"));
    m_icon->setAccessibleName(tr("Icon"));
    m_icon->setIconSize(QSize(kIconSize, kIconSize));
    m_icon->setFixedSize(kIconSize + 16, kIconSize + 16);
    m_icon->setAutoDefault(false);
    connect(m_icon, &QPushButton::clicked, this, &CDlgCardTab2::ChooseIcon);
    m_textColor->setObjectName(QStringLiteral("textColor"));
    m_backColor->setObjectName(QStringLiteral("backColor"));
    m_textColor->SetDefaultColor(palette().color(QPalette::WindowText));
    m_backColor->SetDefaultColor(palette().color(QPalette::Base));
    m_textColor->SetColor(ToColor(working.textColor));
    m_backColor->SetColor(ToColor(working.backColor));
    m_boldNames->setObjectName(QStringLiteral("boldNames"));
    m_hidePasswords->setObjectName(QStringLiteral("hidePasswords"));
    m_boldNames->setChecked(working.boldNames != 0);
    m_hidePasswords->setChecked(working.hidePasswords != 0);
    for (QWidget* control : std::initializer_list<QWidget*>{m_textColor, m_backColor, m_boldNames, m_hidePasswords})
        control->setAccessibleName(control->property("text").toString().remove(u'&'));
    ShowIcon();

    auto* iconLabel = new QLabel(tr("&Icon"));
    iconLabel->setBuddy(m_icon);
    auto* appearance = new QGroupBox(tr("Appearance"));
    auto* iconRow = new QHBoxLayout;
    iconRow->addWidget(iconLabel);
    iconRow->addWidget(m_icon);
    iconRow->addSpacing(12);
    iconRow->addWidget(m_textColor);
    iconRow->addWidget(m_backColor);
    iconRow->addStretch(1);
    auto* appearanceLayout = new QVBoxLayout(appearance);
    appearanceLayout->addLayout(iconRow);
    appearanceLayout->addWidget(m_boldNames);
    auto* security = new QGroupBox(tr("Security"));
    auto* securityLayout = new QVBoxLayout(security);
    securityLayout->addWidget(m_hidePasswords);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(appearance);
    layout->addWidget(security);
    layout->addStretch(1);
}

void CDlgCardTab2::ChooseIcon() {
    CDlgSelectIcon picker(m_iconId, this);
    if (picker.exec() == QDialog::Accepted) {
        m_iconId = picker.IconId();
        ShowIcon();
    }
}

void CDlgCardTab2::ShowIcon() {
    m_icon->setIcon(CIconCache::Icon(m_iconId, kIconSize));
    m_icon->setProperty("iconId", m_iconId);
}

void CDlgCardTab2::Accept() {
    m_card.iconId = m_iconId;
    m_card.textColor = FromColor(m_textColor->Color());
    m_card.backColor = FromColor(m_backColor->Color());
    m_card.boldNames = m_boldNames->isChecked() ? 1 : 0;
    m_card.hidePasswords = m_hidePasswords->isChecked() ? 1 : 0;
}
