// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>

class CCard;
class CDlgCardTab1;
class CDlgCardTab2;
class CDlgCardTab3;
class CDlgNotes;
class QTabWidget;
class WalletContext;

// The card's property sheet: Details, Settings, Attachments and Notes over a working copy of the card, which it
// fills only when it closes with OK.
class CDlgCard : public QDialog {
    Q_OBJECT

public:
    CDlgCard(const WalletContext& wallet, CCard& working, const QFont& displayFont, QWidget* parent = nullptr);

    CDlgCardTab1& Details() { return *m_details; }
    CDlgCardTab2& Settings() { return *m_settings; }
    CDlgCardTab3& Attachments() { return *m_attachments; }
    CDlgNotes& Notes() { return *m_notes; }
    QTabWidget& Tabs() { return *m_tabs; }

    void accept() override;

private:
    void OnPageChanged(int index);
    void ShowTitle();

    QTabWidget* m_tabs;
    CDlgCardTab1* m_details;
    CDlgCardTab2* m_settings;
    CDlgCardTab3* m_attachments;
    CDlgNotes* m_notes;
    QString m_templateName;
    int m_page = 0;
};
