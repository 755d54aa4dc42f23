// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdTemplateExport.h"

#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/TerminalPrompts.h"
#include "document/CWallet.h"

CmdTemplateExport::CmdTemplateExport()
    : CliCommand({QStringLiteral("template-export"),
                  QStringLiteral("WALLET TEMPLATE FILE [--yes]"),
                  QStringLiteral("writes a template to a template file"),
                  3,
                  3,
                  {YesOption()}}) {}

int CmdTemplateExport::Run(CliContext& context) const {
    const CWallet& wallet = context.OpenWallet(CliContext::Access::Read);
    CCardTemplate& cardTemplate = context.Template(context.Arg(1));
    context.RequireAccess();
    const QString path = context.PathArg(2, "FILE");
    context.ConfirmReplace(path);
    context.GetPrompts().PrepareFileName(path);
    if (!cardTemplate.ExportToFile(wallet.CipherMethod()))
        throw CliError(QString());
    return 0;
}
