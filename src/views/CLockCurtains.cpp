// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CLockCurtains.h"

#include "document/CWallet.h"
#include "views/CDlgPassword.h"
#include "widgets/CIconCache.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

#include <algorithm>
#include <utility>

namespace {
constexpr int kLockIconId = 578;
constexpr int kLockIconSize = 32;
} // namespace

CLockCurtains::CLockCurtains(CWallet& wallet, QWidget* mainWindow)
    : QObject(mainWindow), m_wallet(wallet), m_mainWindow(mainWindow) {
    connect(&wallet, &CWallet::lockChanged, this, [this](bool locked) { locked ? Draw() : Lift(); });
}

// Questions and file pickers hold no secret and are answered where they stand; the keypad is how the curtains go.
bool CLockCurtains::Covers(const QWidget* window) const {
    const Qt::WindowType type = window->windowType();
    if (window == m_mainWindow || !window->isVisible() || (type != Qt::Dialog && type != Qt::Window) ||
        qobject_cast<const QMessageBox*>(window) || qobject_cast<const QFileDialog*>(window) ||
        qobject_cast<const CDlgPassword*>(window))
        return false;
    return std::none_of(m_curtains.begin(), m_curtains.end(),
                        [window](const QPointer<CCurtain>& curtain) { return curtain && curtain->parent() == window; });
}

void CLockCurtains::Draw() {
    // Nothing is kept from the user without a password to give.
    if (!m_wallet.IsGuarded() || m_wallet.Password().isEmpty())
        return;
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!Covers(window))
            continue;
        auto* curtain = new CCurtain(window, CIconCache::Pixmap(kLockIconId, kLockIconSize),
                                     tr("This wallet is locked."), tr("&Unlock..."));
        curtain->setAccessibleName(tr("Locked"));
        connect(curtain, &CCurtain::actionChosen, this, [this] { m_wallet.RequestAccess(QString()); });
        m_curtains.append(curtain);
    }
}

void CLockCurtains::Lift() {
    const QList<QPointer<CCurtain>> curtains = std::exchange(m_curtains, {});
    for (const QPointer<CCurtain>& curtain : curtains) {
        if (!curtain)
            continue;
        curtain->Lift();
        curtain->deleteLater();
    }
}
