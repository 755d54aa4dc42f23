// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/RecordEditor.h"

#include <QFont>

#include <functional>

class QWidget;

// The desktop program's record editing: the dialogs open over the main window and use its display font. The link
// to make one's own template leaves the picker and calls `manageTemplates`.
class CRecordEditorDialogs : public RecordEditor {
public:
    CRecordEditorDialogs(QWidget& window, const QFont& displayFont, std::function<void()> manageTemplates);

    bool EditCard(CCard& working) override;
    bool EditCategory(CCategory& working, qint32& defaultTemplateId) override;
    QString SelectTemplate(const QString& preselected, bool showCreateLink) override;

private:
    QWidget& m_window;
    const QFont& m_displayFont;
    std::function<void()> m_manageTemplates;
};
