// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdPasswd.h"

#include "cli/CliContext.h"
#include "cli/TerminalPrompts.h"
#include "document/CWallet.h"

CmdPasswd::CmdPasswd()
    : CliCommand({QStringLiteral("passwd"),
                  QStringLiteral("WALLET"),
                  QStringLiteral("asks for the current password, when there is one, then the new one twice"),
                  1,
                  1,
                  {}}) {}

int CmdPasswd::Run(CliContext& context) const {
    CWallet& wallet = context.OpenWallet(CliContext::Access::Change);
    context.RequireAccess();
    context.GetPrompts().ClearPasswordFailure();
    if (!wallet.ChangePassword())
        context.Refused(QStringLiteral("the password was not changed"));
    context.Save();
    return 0;
}
