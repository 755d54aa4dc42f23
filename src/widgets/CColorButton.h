// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPushButton>

class QAction;

// A button that shows a colour and lets the user pick another, or go back to the default colour, from its menu.
class CColorButton : public QPushButton {
    Q_OBJECT

public:
    explicit CColorButton(const QString& text, QWidget* parent = nullptr);

    // The colour the menu's first entry gives, shown on that entry.
    void SetDefaultColor(const QColor& color);
    QColor DefaultColor() const { return m_default; }
    void SetColor(const QColor& color);
    QColor Color() const { return m_color; }
    // The colour as records keep it, 0x00BBGGRR.
    void SetStoredColor(quint32 value);
    quint32 StoredColor() const;

private:
    void ChooseOther();

    QAction* m_defaultEntry;
    QColor m_color;
    QColor m_default;
};
