// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "document/WalletPropertiesEditor.h"

#include <QWidget>

class CColorButton;
class QCheckBox;

// The Cards page of the wallet's properties: the colours and summary settings that new cards start with.
class CDlgWalletDefaults : public QWidget {
    Q_OBJECT

public:
    explicit CDlgWalletDefaults(const WalletPropertiesEditor::Settings& settings, QWidget* parent = nullptr);

    void Save(WalletPropertiesEditor::Settings& settings) const;

    CColorButton& BackColor() { return *m_backColor; }
    CColorButton& TextColor() { return *m_textColor; }
    QCheckBox& HidePasswords() { return *m_hidePasswords; }

private:
    CColorButton* m_backColor;
    CColorButton* m_textColor;
    QCheckBox* m_boldNames;
    QCheckBox* m_hidePasswords;
};
