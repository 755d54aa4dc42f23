// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CDlgNotes.h"

#include "model/CCard.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QVBoxLayout>

CDlgNotes::CDlgNotes(CCard& working, const QFont& font, QWidget* parent)
    : QWidget(parent), m_card(working), m_edit(new QPlainTextEdit(working.notes)) {
    setObjectName(QStringLiteral("NotesPage"));
    m_edit->setObjectName(QStringLiteral("notes"));
    m_edit->setAccessibleName(tr("Notes"));
    m_edit->setFont(font);
    m_edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_edit->setTabChangesFocus(true);
    m_edit->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_edit);
}

void CDlgNotes::Accept() {
    m_card.notes = m_edit->toPlainText();
}

// Coming back to the notes never selects them all, so a key typed then does not replace them.
bool CDlgNotes::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_edit && event->type() == QEvent::FocusIn) {
        QTextCursor cursor = m_edit->textCursor();
        cursor.clearSelection();
        m_edit->setTextCursor(cursor);
        m_edit->ensureCursorVisible();
    }
    return QWidget::eventFilter(watched, event);
}
