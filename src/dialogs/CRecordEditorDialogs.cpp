// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CRecordEditorDialogs.h"

#include "dialogs/CDlgCard.h"
#include "dialogs/CDlgCategory.h"
#include "dialogs/CDlgSelectTemplate.h"

CRecordEditorDialogs::CRecordEditorDialogs(QWidget& window, const QFont& displayFont)
    : m_window(window), m_displayFont(displayFont) {}

bool CRecordEditorDialogs::EditCard(CCard& working) {
    CDlgCard sheet(working, m_displayFont, &m_window);
    return sheet.exec() == QDialog::Accepted;
}

bool CRecordEditorDialogs::EditCategory(CCategory& working, qint32& defaultTemplateId) {
    CDlgCategory dialog(working, defaultTemplateId, &m_window);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    defaultTemplateId = dialog.DefaultTemplateId();
    return true;
}

// The link to make one's own template comes with the template editor.
QString CRecordEditorDialogs::SelectTemplate(const QString& preselected, bool) {
    CDlgSelectTemplate picker(preselected, &m_window);
    return picker.exec() == QDialog::Accepted ? picker.Selected() : QString();
}
