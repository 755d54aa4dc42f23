// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CRecordEditorDialogs.h"

#include "dialogs/CDlgCard.h"
#include "dialogs/CDlgCategory.h"
#include "dialogs/CDlgSelectTemplate.h"

CRecordEditorDialogs::CRecordEditorDialogs(const WalletContext& wallet, QWidget& window, const QFont& displayFont,
                                           std::function<void()> manageTemplates)
    : m_wallet(wallet), m_window(window), m_displayFont(displayFont), m_manageTemplates(std::move(manageTemplates)) {}

bool CRecordEditorDialogs::EditCard(CCard& working) {
    CDlgCard sheet(m_wallet, working, m_displayFont, &m_window);
    return sheet.exec() == QDialog::Accepted;
}

bool CRecordEditorDialogs::EditCategory(CCategory& working, qint32& defaultTemplateId) {
    CDlgCategory dialog(m_wallet, working, defaultTemplateId, &m_window);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    defaultTemplateId = dialog.DefaultTemplateId();
    return true;
}

// Leaving through the link to make one's own template cancels the choice and opens Manage Templates.
QString CRecordEditorDialogs::SelectTemplate(const QString& preselected, bool showCreateLink) {
    CDlgSelectTemplate picker(m_wallet, preselected, showCreateLink, &m_window);
    if (picker.exec() == QDialog::Accepted)
        return picker.Selected();
    if (picker.CreateRequested() && m_manageTemplates)
        m_manageTemplates();
    return QString();
}
