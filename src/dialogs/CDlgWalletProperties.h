// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "document/WalletPropertiesEditor.h"

#include <QDialog>

class CDlgWalletDefaults;
class CDlgWalletInfo;
class CDlgWalletSecurity;
class QTabWidget;

// The wallet's properties: the Security, Cards and Wallet Info pages over a copy of the wallet's settings, which
// takes what the pages hold only when the user accepts.
class CDlgWalletProperties : public QDialog {
    Q_OBJECT

public:
    CDlgWalletProperties(CWallet& wallet, WalletPropertiesEditor::Settings& working, QWidget* parent = nullptr);

    QTabWidget& Pages() { return *m_pages; }
    CDlgWalletSecurity& Security() { return *m_security; }
    CDlgWalletDefaults& Defaults() { return *m_defaults; }
    CDlgWalletInfo& Info() { return *m_info; }

    // Takes the pages' values, unless the Security page's are wrong: then it stays open on that page.
    void accept() override;

private:
    void OnPageChanged(int index);

    WalletPropertiesEditor::Settings& m_working;
    QTabWidget* m_pages;
    CDlgWalletSecurity* m_security;
    CDlgWalletDefaults* m_defaults;
    CDlgWalletInfo* m_info;
    int m_shownPage = 0;
};
