// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdUnseal.h"

#include "base/Prompts.h"
#include "cli/CliConsole.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "document/CWallet.h"

#include <QFileInfo>

CmdUnseal::CmdUnseal()
    : CliCommand({QStringLiteral("unseal"),
                  QStringLiteral("WALLET [--yes]"),
                  QStringLiteral("writes a sealed wallet as an ordinary wallet file again, after confirmation"),
                  1,
                  1,
                  {YesOption()}}) {}

int CmdUnseal::Run(CliContext& context) const {
    CWallet& wallet = context.OpenWallet(CliContext::Access::Change);
    const QString name = QFileInfo(wallet.PathName()).fileName();
    if (!wallet.IsSealed())
        throw CliError(QStringLiteral("\"%1\" is not sealed").arg(name));
    context.RequireAccess();
    if (!Prompts::AskYesNo(CWallet::UnsealQuestion(name), Prompts::Icon::Exclamation, Prompts::Answer::No))
        throw CliError(QStringLiteral("the wallet stays sealed"));
    QString error;
    if (!wallet.UnsealFile(error))
        throw CliError(error);
    context.Console().PrintOut(QStringLiteral("\"%1\" is no longer sealed.").arg(name));
    return 0;
}
