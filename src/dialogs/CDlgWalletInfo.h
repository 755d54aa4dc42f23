// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class CWallet;
class QPushButton;
class QTreeWidget;

// The Wallet Info page of the wallet's properties: what the wallet holds and where, and the Compact command.
class CDlgWalletInfo : public QWidget {
    Q_OBJECT

public:
    explicit CDlgWalletInfo(CWallet& wallet, QWidget* parent = nullptr);

    QTreeWidget& Items() { return *m_items; }
    QPushButton& CompactButton() { return *m_compact; }

private:
    void Fill();
    void OnCompact();

    CWallet& m_wallet;
    QTreeWidget* m_items;
    QPushButton* m_compact;
};
