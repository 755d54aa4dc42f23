// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CSealingCommands.h"

#include "base/Prompts.h"
#include "document/CWallet.h"
#include "storage/SealKey.h"

#include <QApplication>
#include <QFileInfo>

namespace {
// Measuring the machine and deriving the key take about a second together.
bool SealUnderWaitCursor(CWallet& wallet, const QString& passphrase, QString& error) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const SealKey::Costs costs = SealKey::Calibrate();
    const bool sealed = wallet.SealFile(passphrase, costs.operations, costs.memoryKiB, error);
    QApplication::restoreOverrideCursor();
    return sealed;
}
} // namespace

bool CSealingCommands::Seal(CWallet& wallet) {
    if ((wallet.PathName().isEmpty() && !wallet.OnFileSave()) || !wallet.RequestAccess(QString()))
        return false;
    const QString name = QFileInfo(wallet.PathName()).fileName();
    const bool changing = wallet.IsSealed();
    QString passphrase;
    if (!Prompts::Get().AskPassphrase(passphrase, name, true))
        return false;
    QString error;
    const bool sealed = SealUnderWaitCursor(wallet, passphrase, error);
    SealKey::WipeText(passphrase);
    if (!sealed) {
        if (!error.isEmpty())
            Prompts::Warn(error);
        return false;
    }
    Prompts::Inform(changing ? QStringLiteral("The passphrase of \"%1\" is changed.").arg(name)
                             : QStringLiteral("\"%1\" is sealed: from now on it opens only with its passphrase. "
                                              "Keep the passphrase safe; without it nobody can open the wallet.")
                                   .arg(name));
    return true;
}

bool CSealingCommands::Unseal(CWallet& wallet) {
    if (!wallet.IsSealed() || !wallet.RequestAccess(QString()))
        return false;
    const QString name = QFileInfo(wallet.PathName()).fileName();
    if (!Prompts::AskYesNo(CWallet::UnsealQuestion(name), Prompts::Icon::Exclamation, Prompts::Answer::No))
        return false;
    QString error;
    if (!wallet.UnsealFile(error)) {
        if (!error.isEmpty())
            Prompts::Warn(error);
        return false;
    }
    Prompts::Inform(QStringLiteral("\"%1\" is no longer sealed.").arg(name));
    return true;
}
