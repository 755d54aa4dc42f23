// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTextBrowser>

#include <memory>

class QMenu;

// The notes of the card being shown: read-only, with web and e-mail addresses turned into links that open on a
// click, and a small menu of its own to copy the selection or select everything.
class CNotesPane : public QTextBrowser {
    Q_OBJECT

public:
    explicit CNotesPane(QWidget* parent = nullptr);

    // Replaces the whole text.
    void SetText(const QString& text);
    const QString& PlainText() const { return m_text; }
    // The notes as HTML with their addresses linked.
    static QString LinkedHtml(const QString& text);
    // The pane's own menu: Copy while something is selected, Select All while there is text.
    std::unique_ptr<QMenu> BuildMenu();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QString m_text;
};
