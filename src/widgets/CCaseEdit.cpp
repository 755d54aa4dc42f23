// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/CCaseEdit.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>

#include <algorithm>

CCaseEdit::CCaseEdit(QWidget* parent) : QLineEdit(parent) {}

void CCaseEdit::SetCaseMode(int mode) {
    m_caseMode = mode;
}

void CCaseEdit::SetSelectOnClick(bool on) {
    m_selectOnClick = on;
}

void CCaseEdit::SetWhiteWhenReadOnly(bool on) {
    QPalette adjusted = palette();
    const QPalette& usual = QApplication::palette(this);
    adjusted.setBrush(QPalette::Disabled, QPalette::Base,
                      usual.brush(on ? QPalette::Active : QPalette::Disabled, QPalette::Base));
    setPalette(adjusted);
}

namespace {

// One character for one: "ß" stays a single letter rather than becoming "SS".
QString CapitalFirst(QString typed) {
    typed.front() = typed.front().toUpper();
    return typed;
}

} // namespace

std::pair<int, int> CCaseEdit::Selection() const {
    if (!hasSelectedText())
        return {cursorPosition(), cursorPosition()};
    return {selectionStart(), selectionEnd()};
}

bool CCaseEdit::AtWordStart() const {
    const int position = Selection().first;
    return position == 0 || text().at(position - 1) == u' ';
}

void CCaseEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    m_justFocused = true;
    m_tracking = false;
}

void CCaseEdit::mouseMoveEvent(QMouseEvent* event) {
    if (m_selectOnClick && m_justFocused && !m_tracking) {
        m_savedSelection = Selection();
        m_tracking = true;
    }
    QLineEdit::mouseMoveEvent(event);
    // A selection that changes under the mouse is the user dragging: leave it to them.
    if (m_tracking && Selection() != m_savedSelection)
        m_justFocused = m_tracking = false;
}

void CCaseEdit::mouseReleaseEvent(QMouseEvent* event) {
    // The standard handling comes first: it would otherwise drop the selection made here.
    QLineEdit::mouseReleaseEvent(event);
    if (!m_selectOnClick || !m_justFocused || event->button() != Qt::LeftButton)
        return;
    m_justFocused = m_tracking = false;
    if (m_caseMode == kCaretAtEnd)
        setCursorPosition(std::min(999, int(text().size())));
    else
        selectAll();
}

void CCaseEdit::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    if (m_caseMode != kProperCase || typed.isEmpty() || !typed.front().isPrint() || !AtWordStart()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    QKeyEvent capitalised(event->type(), event->key(), event->modifiers(), CapitalFirst(typed), event->isAutoRepeat(),
                          ushort(event->count()));
    QLineEdit::keyPressEvent(&capitalised);
    event->setAccepted(capitalised.isAccepted());
}

void CCaseEdit::inputMethodEvent(QInputMethodEvent* event) {
    // Letters composed with dead keys or an input method arrive here rather than as key presses.
    if (m_caseMode != kProperCase || event->commitString().isEmpty() || !AtWordStart()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent capitalised(event->preeditString(), event->attributes());
    capitalised.setCommitString(CapitalFirst(event->commitString()), event->replacementStart(),
                                event->replacementLength());
    QLineEdit::inputMethodEvent(&capitalised);
    event->setAccepted(capitalised.isAccepted());
}
