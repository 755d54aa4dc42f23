// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <vector>

class CCard;
class CCaseEdit;
class CListOptionsCtrl;
class QPushButton;
class WalletContext;

// The Details page of the card sheet: the description and one row per named field of the card's template.
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

    CListOptionsCtrl& List() { return *m_list; }
    CCaseEdit& DescriptionEdit() { return *m_description; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void SetButtonsEnabled(bool enabled);

    const WalletContext& m_wallet;
    CCard& m_card;
    // The field position of each row; empty while the card's template is missing.
    std::vector<int> m_positions;
    CCaseEdit* m_description;
    CListOptionsCtrl* m_list;
    QPushButton* m_insertDate;
    QPushButton* m_insertTime;
    QPushButton* m_expand;
};
