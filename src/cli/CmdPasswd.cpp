// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdPasswd.h"

#include "base/Utilities.h"
#include "cli/CliConsole.h"
#include "cli/CliContext.h"
#include "cli/TerminalPrompts.h"
#include "document/CWallet.h"
#include "resources/StringTable.h"

CmdPasswd::CmdPasswd()
    : CliCommand({QStringLiteral("passwd"),
                  QStringLiteral("WALLET [--yes]"),
                  QStringLiteral("asks for the current password, when there is one, then the new one twice"),
                  1,
                  1,
                  {YesOption()}}) {}

int CmdPasswd::Run(CliContext& context) const {
    CWallet& wallet = context.OpenWallet(CliContext::Access::Change);
    context.RequireAccess();
    TerminalPrompts& prompts = context.GetPrompts();
    prompts.ClearPasswordFailure();
    // The change is done only when the wallet is saved with it.
    const QString changed = LoadResString(kStrPasswordChanged);
    prompts.Withhold(changed);
    if (!wallet.ChangePassword())
        context.Refused(QStringLiteral("the password was not changed"));
    context.Save();
    context.Console().PrintOut(changed);
    return 0;
}
