// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/CCurtain.h"

#include <QList>
#include <QObject>
#include <QPointer>

class CWallet;
class QWidget;

// When the wallet locks, every other window of the program (a card's sheet, the wallet's properties, Find) is
// covered until the password is given again; then each comes back as it was, nothing typed into it lost. A window
// the user closes meanwhile is theirs to close.
class CLockCurtains : public QObject {
    Q_OBJECT

public:
    CLockCurtains(CWallet& wallet, QWidget* mainWindow);

private:
    void Draw();
    void Lift();
    bool Covers(const QWidget* window) const;

    CWallet& m_wallet;
    QWidget* m_mainWindow;
    QList<QPointer<CCurtain>> m_curtains;
};
