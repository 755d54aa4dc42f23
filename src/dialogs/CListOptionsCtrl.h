// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/FieldType.h"

#include <QPointer>
#include <QTreeWidget>

#include "dialogs/CListOptionsEdit.h"

// A two-column list of labels and values whose selected value is edited in place by an editor laid over its cell.
// The editor gives its text back to the row whenever it goes: on losing the focus, before the list scrolls or
// resizes, and when editing moves to another row. Whatever the user types reaches an editor: Tab into the list opens
// the current row's, and a key typed on a row that is only selected opens its editor with that key. Tab out of the
// last row (Shift+Tab out of the first) goes on to the next control, so the keyboard never gets stuck in the list.
// While passwords are masked, the values of password rows show as dots, in the row and in its editor, and a screen
// reader is told that they are hidden rather than read them.
class CListOptionsCtrl : public QTreeWidget {
    Q_OBJECT

public:
    explicit CListOptionsCtrl(QWidget* parent = nullptr);

    // Appends a row whose value is edited as a field of `type`.
    void AddRow(const QString& label, const QString& value, FieldType type);
    void RemoveAllRows();
    int RowCount() const { return topLevelItemCount(); }
    QString ValueText(int row) const;
    void SetValueText(int row, const QString& text);
    QString LabelText(int row) const;
    FieldType RowType(int row) const;
    // The first selected row, or -1.
    int SelectedRow() const;
    int EditedRow() const { return m_editedRow; }
    CListOptionsEdit* Editor() const { return m_editor; }

    // Selects the row and opens its editor, ending any other edit first.
    void EditRow(int row);
    // Takes the editor's text into its row and closes it.
    void EndEdit();
    // Moves editing to the next or previous row; nothing moves beyond the first or last row.
    void MoveEdit(int step);
    // Like MoveEdit, but beyond the first or last row the focus leaves the list for the control before or after it.
    void TabEdit(int step);
    // Sizes the label column to its contents; the values take the rest.
    void FitColumns();
    void SetPasswordsMasked(bool masked);
    bool PasswordsMasked() const { return m_masked; }
    // Whether the row is a password row shown as dots.
    bool IsMasked(int row) const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OpenEditor(int row);
    void OnEditorFocusLeft();
    void ShowValue(QTreeWidgetItem& item);

    QPointer<CListOptionsEdit> m_editor;
    int m_editedRow = -1;
    QString m_currencyPrefix;
    bool m_masked = false;
};
