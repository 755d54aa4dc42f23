// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <vector>

class CCard;
class CCaseEdit;
class CListOptionsCtrl;
class QPushButton;
class WalletContext;

// The Details page of the card sheet: the description and one row per named field of the card's template. Password
// values show as dots while the card hides passwords, until Show (or Ctrl+H) reveals them; Generate fills a
// password field with a new password.
class CDlgCardTab1 : public QWidget {
    Q_OBJECT

public:
    // `working` is a card of `wallet`, whose templates name its fields.
    CDlgCardTab1(const WalletContext& wallet, CCard& working, const QFont& listFont, QWidget* parent = nullptr);

    // Fills the rows from the template; a card whose template is missing gets none.
    void Activate();
    // Takes the rows and the description into the card; false (after telling the user) while the description is
    // empty.
    bool Leave();

    void InsertDate();
    void InsertTime();
    void ExpandField();
    // Follows the card's setting on the Settings page.
    void SetPasswordsHidden(bool hidden);
    void GeneratePassword();

    CListOptionsCtrl& List() { return *m_list; }
    CCaseEdit& DescriptionEdit() { return *m_description; }
    QPushButton& RevealButton() { return *m_reveal; }
    QPushButton& GenerateButton() { return *m_generate; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void SetupPasswordButtons();
    void SetButtonsEnabled(bool enabled);
    void ShowPasswordsMasked();
    // The selected row if it is a password field, else the first password field; -1 without one.
    int PasswordRow() const;

    const WalletContext& m_wallet;
    CCard& m_card;
    // The field position of each row; empty while the card's template is missing.
    std::vector<int> m_positions;
    CCaseEdit* m_description;
    CListOptionsCtrl* m_list;
    QPushButton* m_insertDate;
    QPushButton* m_insertTime;
    QPushButton* m_expand;
    QPushButton* m_reveal;
    QPushButton* m_generate;
    bool m_passwordsHidden;
};
