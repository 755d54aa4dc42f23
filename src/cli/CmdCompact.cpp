// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdCompact.h"

#include "base/Utilities.h"
#include "cli/CliConsole.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "document/CWallet.h"
#include "resources/StringTable.h"

CmdCompact::CmdCompact()
    : CliCommand({QStringLiteral("compact"),
                  QStringLiteral("WALLET"),
                  QStringLiteral("rewrites the wallet file without the space of removed attachments"),
                  1,
                  1,
                  {}}) {}

int CmdCompact::Run(CliContext& context) const {
    CWallet& wallet = context.OpenWallet(CliContext::Access::Change);
    QString error;
    if (!wallet.Compact(&error))
        throw CliError(FormatText(LoadResString(kStrCompactFailed), {error}));
    context.Console().PrintOut(LoadResString(kStrCompacted));
    return 0;
}
