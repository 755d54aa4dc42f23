// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class CFindResultsModel;
class CWallet;
class QCheckBox;
class QLineEdit;
class QListView;
class QPushButton;

// Looks for a text in the descriptions, values and notes of the open wallet's cards and lists the cards found;
// double-clicking one asks for it to be selected (cardChosen). Modeless: several may be open at once, each deleting
// itself on close.
class CDlgFind : public QDialog {
    Q_OBJECT

public:
    CDlgFind(const CWallet& wallet, QWidget* parent);

    QLineEdit& FindText() { return *m_text; }
    QCheckBox& MatchCase() { return *m_matchCase; }
    QPushButton& FindButton() { return *m_find; }
    QListView& Results() { return *m_results; }

    // Runs the search; the dialog stays open.
    void accept() override;

Q_SIGNALS:
    void cardChosen(qint32 cardId);

private:
    void OnResultActivated(const QModelIndex& index);

    const CWallet& m_wallet;
    QLineEdit* m_text;
    QCheckBox* m_matchCase;
    QListView* m_results;
    CFindResultsModel* m_model;
    QPushButton* m_find;
};
