// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CDlgCard.h"

#include "dialogs/CDlgCardTab1.h"
#include "dialogs/CDlgCardTab2.h"
#include "dialogs/CDlgCardTab3.h"
#include "dialogs/CDlgNotes.h"
#include "model/CCard.h"
#include "model/CTemplateList.h"
#include "model/WalletContext.h"
#include "resources/StringTable.h"
#include "widgets/CCaseEdit.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

CDlgCard::CDlgCard(const WalletContext& wallet, CCard& working, const QFont& displayFont, QWidget* parent)
    : QDialog(parent), m_tabs(new QTabWidget), m_details(new CDlgCardTab1(wallet, working, displayFont)),
      m_settings(new CDlgCardTab2(working)), m_attachments(new CDlgCardTab3(working)),
      m_notes(new CDlgNotes(working, displayFont)) {
    const CCardTemplate* cardTemplate = wallet.Templates().FindByInternalName(working.templateName);
    m_templateName = cardTemplate ? cardTemplate->description : QString();
    setObjectName(QStringLiteral("CardSheet"));
    m_tabs->setObjectName(QStringLiteral("pages"));
    m_tabs->setAccessibleName(tr("Card pages"));
    m_tabs->addTab(m_details, tr("Details"));
    m_tabs->addTab(m_settings, tr("Settings"));
    m_tabs->addTab(m_attachments, tr("Attachments"));
    m_tabs->addTab(m_notes, tr("Notes"));
    connect(m_tabs, &QTabWidget::currentChanged, this, &CDlgCard::OnPageChanged);
    connect(&m_settings->HidePasswordsBox(), &QCheckBox::toggled, m_details, &CDlgCardTab1::SetPasswordsHidden);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgCard::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
    resize(470, 430);
    m_details->Activate();
    m_details->DescriptionEdit().setFocus();
    connect(&m_details->DescriptionEdit(), &QLineEdit::textChanged, this, &CDlgCard::ShowTitle);
    ShowTitle();
}

// The window names the card as it is being typed; a new card, still without a description, by its template.
void CDlgCard::ShowTitle() {
    const QString description = m_details->DescriptionEdit().text().trimmed();
    const QString card = description.isEmpty() ? m_templateName : description;
    const QString program = StringTable::Text(kStrAppTitle);
    setWindowTitle(card.isEmpty() ? program : QStringLiteral("%1 - %2").arg(card, program));
}

// The Details page may not be left while the description is empty.
void CDlgCard::OnPageChanged(int index) {
    if (m_page == 0 && index != 0 && !m_details->Leave()) {
        const QSignalBlocker blocker(m_tabs);
        m_tabs->setCurrentIndex(0);
        m_details->DescriptionEdit().setFocus();
        return;
    }
    m_page = index;
    if (index == 0)
        m_details->Activate();
}

void CDlgCard::accept() {
    if (m_page == 0 && !m_details->Leave())
        return;
    m_settings->Accept();
    m_notes->Accept();
    QDialog::accept();
}
