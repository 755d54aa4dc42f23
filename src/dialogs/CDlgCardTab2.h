// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class CCard;
class CColorButton;
class QCheckBox;
class QPushButton;

// The Settings page of the card sheet: the card's icon, its two colours and how the summary shows it.
class CDlgCardTab2 : public QWidget {
    Q_OBJECT

public:
    explicit CDlgCardTab2(CCard& working, QWidget* parent = nullptr);

    // Takes the page's choices into the card.
    void Accept();
    void ChooseIcon();

    CColorButton& TextColorButton() { return *m_textColor; }
    CColorButton& BackColorButton() { return *m_backColor; }
    QCheckBox& HidePasswordsBox() { return *m_hidePasswords; }

private:
    void ShowIcon();

    CCard& m_card;
    qint32 m_iconId;
    QPushButton* m_icon;
    CColorButton* m_textColor;
    CColorButton* m_backColor;
    QCheckBox* m_boldNames;
    QCheckBox* m_hidePasswords;
};
