// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdTemplateImport.h"

#include "cli/CliConsole.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/TerminalPrompts.h"
#include "document/CWallet.h"

namespace {
// Templates the user brings in take ids above the counter's, as made ones do.
constexpr qint32 kUserTemplateIdOffset = 500;
} // namespace

CmdTemplateImport::CmdTemplateImport()
    : CliCommand({QStringLiteral("template-import"),
                  QStringLiteral("WALLET FILE"),
                  QStringLiteral("adds the template of a template file; prints its id"),
                  2,
                  2,
                  {}}) {}

int CmdTemplateImport::Run(CliContext& context) const {
    CWallet& wallet = context.OpenWallet(CliContext::Access::Change);
    context.RequireAccess();
    context.GetPrompts().PrepareFileName(context.PathArg(1, "FILE"));
    auto cardTemplate = std::make_unique<CCardTemplate>();
    if (!cardTemplate->ImportFromFile(wallet.CipherMethod()))
        throw CliError(QString());
    cardTemplate->id = context.FreeId(kUserTemplateIdOffset);
    cardTemplate->description += QStringLiteral(" (Imported)");
    const qint32 id = cardTemplate->id;
    wallet.AddTemplate(std::move(cardTemplate));
    context.Save();
    context.Console().PrintOut(QString::number(id));
    return 0;
}
