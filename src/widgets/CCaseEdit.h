// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

#include <utility>

// A line edit that selects its whole text on the first click after it gets the focus (unless the user drags out a
// selection), and that can capitalise words as they are typed.
class CCaseEdit : public QLineEdit {
    Q_OBJECT

public:
    // Case modes; other values have no special behaviour.
    static constexpr int kProperCase = 2; // a character typed at the start or after a space becomes upper case
    static constexpr int kCaretAtEnd = 4; // the first click puts the caret at the end instead of selecting all

    explicit CCaseEdit(QWidget* parent = nullptr);

    void SetCaseMode(int mode);
    int CaseMode() const { return m_caseMode; }
    void SetSelectOnClick(bool on);
    // Keeps the window colour behind the text while the edit is disabled, instead of greying it.
    void SetWhiteWhenReadOnly(bool on);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    // Start and end of the selection, or the caret twice.
    std::pair<int, int> Selection() const;
    // Whether a character typed now starts a word.
    bool AtWordStart() const;

    int m_caseMode = 0;
    bool m_selectOnClick = true;
    bool m_justFocused = false;
    bool m_tracking = false;
    std::pair<int, int> m_savedSelection;
};
