// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/RecordEditor.h"

#include <QFont>

#include <functional>

class QWidget;
class WalletContext;

// The desktop program's record editing: the dialogs open over the main window and use its display font, and offer
// the templates of the window's wallet. The link to make one's own template leaves the picker and calls
// `manageTemplates`.
class CRecordEditorDialogs : public RecordEditor {
public:
    CRecordEditorDialogs(const WalletContext& wallet, QWidget& window, const QFont& displayFont,
                         std::function<void()> manageTemplates);

    bool EditCard(CCard& working) override;
    bool EditCategory(CCategory& working, qint32& defaultTemplateId) override;
    QString SelectTemplate(const QString& preselected, bool showCreateLink) override;

private:
    const WalletContext& m_wallet;
    QWidget& m_window;
    const QFont& m_displayFont;
    std::function<void()> m_manageTemplates;
};
