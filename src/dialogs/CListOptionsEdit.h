// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/FieldType.h"
#include "widgets/CCaseEdit.h"

// The editor laid over a value cell of the property list. It edits in the case of its field's type and hands Tab,
// Shift+Tab and Enter to the list, which moves editing between rows, instead of letting the dialog move the focus.
class CListOptionsEdit : public CCaseEdit {
    Q_OBJECT

public:
    CListOptionsEdit(int row, FieldType type, QWidget* parent);

    int Row() const { return m_row; }
    FieldType Type() const { return m_type; }
    // Shows the text as dots, and tells a screen reader that it is hidden.
    void SetMasked(bool masked);

Q_SIGNALS:
    // Enter: editing moves to the next row.
    void moveRequested(int step);
    // Tab (+1) or Shift+Tab (-1).
    void tabPressed(int step);
    void focusLeft();

protected:
    bool event(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ForceUpperCase(const QString& text);

    int m_row;
    FieldType m_type;
};
