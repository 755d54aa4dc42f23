// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CListOptionsEdit.h"

#include <QKeyEvent>

CListOptionsEdit::CListOptionsEdit(int row, FieldType type, QWidget* parent)
    : CCaseEdit(parent), m_row(row), m_type(type) {
    SetCaseMode(type);
    SetSelectOnClick(false);
    if (type == FieldTypes::UpperCase)
        connect(this, &QLineEdit::textEdited, this, &CListOptionsEdit::ForceUpperCase);
}

void CListOptionsEdit::SetMasked(bool masked) {
    setEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
    setAccessibleDescription(masked ? tr("The password is hidden") : QString());
}

// Typing and pasting alike end up upper case; the caret stays where it was.
void CListOptionsEdit::ForceUpperCase(const QString& text) {
    const QString upper = text.toUpper();
    if (upper == text)
        return;
    const int caret = cursorPosition();
    setText(upper);
    setCursorPosition(caret);
}

bool CListOptionsEdit::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Tab:
            Q_EMIT tabPressed(key->modifiers() & Qt::ShiftModifier ? -1 : 1);
            return true;
        case Qt::Key_Backtab:
            Q_EMIT tabPressed(-1);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Q_EMIT moveRequested(1);
            return true;
        default:
            break;
        }
    }
    return CCaseEdit::event(event);
}

void CListOptionsEdit::focusOutEvent(QFocusEvent* event) {
    CCaseEdit::focusOutEvent(event);
    Q_EMIT focusLeft();
}
