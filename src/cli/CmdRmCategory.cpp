// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdRmCategory.h"

#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/TerminalPrompts.h"
#include "document/CWallet.h"

CmdRmCategory::CmdRmCategory()
    : CliCommand({QStringLiteral("rm-category"),
                  QStringLiteral("WALLET CATEGORY [--yes]"),
                  QStringLiteral("deletes a category with all its cards"),
                  2,
                  2,
                  {YesOption()}}) {}

int CmdRmCategory::Run(CliContext& context) const {
    CWallet& wallet = context.OpenWallet(CliContext::Access::Change);
    const qint32 id = context.Category(context.Arg(1)).id;
    context.GetPrompts().ClearPasswordFailure();
    if (!wallet.DeleteCategory(id))
        context.Refused(QStringLiteral("the category was not deleted"));
    context.Save();
    return 0;
}
