// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CDlgWalletSecurity.h"

#include "base/Prompts.h"
#include "document/CSystemClipboard.h"
#include "document/CWallet.h"
#include "widgets/AwaySettings.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
constexpr int kMaxClipboardSeconds = 3600;
} // namespace

CDlgWalletSecurity::CDlgWalletSecurity(CWallet& wallet, const WalletPropertiesEditor::Settings& settings,
                                       QWidget* parent)
    : QWidget(parent), m_wallet(wallet),
      m_unlockToEdit(new QCheckBox(tr("&Wallet must be unlocked to edit card details in ALL categories"))),
      m_minutes(new QLineEdit(QString::number(settings.lockMinutes))),
      m_askOnOpen(new QCheckBox(tr("&Ask for the password when opening this wallet"))),
      m_lockAfter(new QCheckBox(tr("&Lock the wallet after"))),
      m_desktopPasswordOff(new QCheckBox(tr("&Disable password authentication on the desktop"))),
      m_changePassword(new QPushButton(tr("Change the pa&ssword for this wallet"))),
      m_onScreenLock(new QCheckBox(tr("Lock the wallet when the scree&n locks"))),
      m_onSleep(new QCheckBox(tr("Lock the wallet when the computer goes to slee&p"))),
      m_clipboardSeconds(new QSpinBox) {
    setObjectName(QStringLiteral("SecurityPage"));
    m_unlockToEdit->setChecked(settings.mustUnlockToEdit != 0);
    m_askOnOpen->setChecked(settings.askPasswordOnOpen != 0);
    m_lockAfter->setChecked(settings.autoLock != 0);
    m_desktopPasswordOff->setChecked(settings.disableDesktopPassword != 0);
    m_minutes->setObjectName(QStringLiteral("minutes"));
    m_minutes->setAccessibleName(tr("Minutes"));
    m_minutes->setMaxLength(4);
    m_minutes->setFixedWidth(m_minutes->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 16);
    m_minutes->setEnabled(m_lockAfter->isChecked());
    m_changePassword->setAutoDefault(false);
    m_onScreenLock->setChecked(AwaySettings::LockOnScreenLock());
    m_onSleep->setChecked(AwaySettings::LockOnSleep());
    m_clipboardSeconds->setObjectName(QStringLiteral("clipboardSeconds"));
    m_clipboardSeconds->setRange(0, kMaxClipboardSeconds);
    m_clipboardSeconds->setSpecialValueText(tr("never"));
    m_clipboardSeconds->setValue(CSystemClipboard::ClearSeconds());
    connect(m_lockAfter, &QCheckBox::toggled, this, &CDlgWalletSecurity::OnLockAfterToggled);
    // The new password holds at once, whatever becomes of the rest of the page.
    connect(m_changePassword, &QPushButton::clicked, this, [this] { m_wallet.ChangePassword(); });

    auto* inactive = new QGroupBox(tr("When Korvel is inactive..."));
    auto* lockRow = new QHBoxLayout;
    lockRow->addWidget(m_lockAfter);
    lockRow->addWidget(m_minutes);
    lockRow->addWidget(new QLabel(tr("minutes...")));
    lockRow->addStretch(1);
    auto* inactiveLayout = new QVBoxLayout(inactive);
    inactiveLayout->addLayout(lockRow);
    inactiveLayout->addWidget(m_onScreenLock);
    inactiveLayout->addWidget(m_onSleep);
    auto* clipboard = new QGroupBox(tr("Clipboard"));
    auto* clipboardRow = new QHBoxLayout(clipboard);
    auto* clipboardLabel = new QLabel(tr("&Clear a copied value from the clipboard after"));
    clipboardLabel->setBuddy(m_clipboardSeconds);
    m_clipboardSeconds->setAccessibleName(tr("Seconds before the clipboard is cleared"));
    clipboardRow->addWidget(clipboardLabel);
    clipboardRow->addWidget(m_clipboardSeconds);
    clipboardRow->addWidget(new QLabel(tr("seconds")));
    clipboardRow->addStretch(1);
    auto* password = new QGroupBox(tr("Password"));
    auto* passwordLayout = new QVBoxLayout(password);
    passwordLayout->addWidget(m_unlockToEdit);
    passwordLayout->addWidget(m_askOnOpen);
    passwordLayout->addWidget(m_desktopPasswordOff);
    passwordLayout->addWidget(m_changePassword, 0, Qt::AlignLeft);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(inactive);
    layout->addWidget(password);
    layout->addWidget(clipboard);
    layout->addStretch(1);
}

// Switching the lock off keeps the minutes as they are, for when it is switched on again.
void CDlgWalletSecurity::OnLockAfterToggled(bool on) {
    m_minutes->setEnabled(on);
    if (on) {
        m_minutes->setFocus();
        m_minutes->selectAll();
    }
}

bool CDlgWalletSecurity::Save(WalletPropertiesEditor::Settings& settings) {
    bool isNumber = false;
    const int minutes = m_minutes->text().trimmed().toInt(&isNumber);
    if (!isNumber || minutes < kMinMinutes || minutes > kMaxMinutes) {
        Prompts::Warn(isNumber ? tr("Please enter an integer between %1 and %2.").arg(kMinMinutes).arg(kMaxMinutes)
                               : tr("Please enter an integer."));
        m_minutes->setFocus();
        m_minutes->selectAll();
        return false;
    }
    settings.lockMinutes = minutes;
    settings.mustUnlockToEdit = m_unlockToEdit->isChecked() ? 1 : 0;
    settings.askPasswordOnOpen = m_askOnOpen->isChecked() ? 1 : 0;
    settings.autoLock = m_lockAfter->isChecked() ? 1 : 0;
    settings.disableDesktopPassword = m_desktopPasswordOff->isChecked() ? 1 : 0;
    AwaySettings::SetLockOnScreenLock(m_onScreenLock->isChecked());
    AwaySettings::SetLockOnSleep(m_onSleep->isChecked());
    CSystemClipboard::SetClearSeconds(m_clipboardSeconds->value());
    return true;
}
