// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/RecordEditor.h"

#include <QFont>

class QWidget;

// The desktop program's record editing: the dialogs open over the main window and use its display font.
class CRecordEditorDialogs : public RecordEditor {
public:
    CRecordEditorDialogs(QWidget& window, const QFont& displayFont);

    bool EditCard(CCard& working) override;
    bool EditCategory(CCategory& working, qint32& defaultTemplateId) override;
    QString SelectTemplate(const QString& preselected, bool showCreateLink) override;

private:
    QWidget& m_window;
    const QFont& m_displayFont;
};
