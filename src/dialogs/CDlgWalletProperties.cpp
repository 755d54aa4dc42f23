// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CDlgWalletProperties.h"

#include "dialogs/CDlgWalletDefaults.h"
#include "dialogs/CDlgWalletInfo.h"
#include "dialogs/CDlgWalletSecurity.h"
#include "resources/StringTable.h"
#include "widgets/Commands.h"

#include <QDialogButtonBox>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

CDlgWalletProperties::CDlgWalletProperties(CWallet& wallet, WalletPropertiesEditor::Settings& working, QWidget* parent)
    : QDialog(parent), m_working(working), m_pages(new QTabWidget), m_security(new CDlgWalletSecurity(wallet, working)),
      m_defaults(new CDlgWalletDefaults(working)), m_info(new CDlgWalletInfo(wallet)) {
    setObjectName(QStringLiteral("WalletProperties"));
    // The window is named as the command's tooltip names it.
    setWindowTitle(StringTable::Text(Command::WalletProperties).section(u'\n', 1));
    m_pages->addTab(m_security, tr("Security"));
    m_pages->addTab(m_defaults, tr("Cards"));
    m_pages->addTab(m_info, tr("Wallet Info"));
    connect(m_pages, &QTabWidget::currentChanged, this, &CDlgWalletProperties::OnPageChanged);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgWalletProperties::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addWidget(buttons);
}

// Leaving the Security page checks its minutes, as OK does, and stays on it while they are wrong.
void CDlgWalletProperties::OnPageChanged(int index) {
    if (m_pages->widget(m_shownPage) == m_security && index != m_shownPage) {
        WalletPropertiesEditor::Settings probe = m_working;
        if (!m_security->Save(probe)) {
            const QSignalBlocker blocker(m_pages);
            m_pages->setCurrentIndex(m_shownPage);
            return;
        }
    }
    m_shownPage = index;
}

void CDlgWalletProperties::accept() {
    WalletPropertiesEditor::Settings taken = m_working;
    if (!m_security->Save(taken)) {
        m_pages->setCurrentWidget(m_security);
        return;
    }
    m_defaults->Save(taken);
    m_working = taken;
    QDialog::accept();
}
