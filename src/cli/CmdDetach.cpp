// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdDetach.h"

#include "base/Prompts.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "document/CWallet.h"

CmdDetach::CmdDetach()
    : CliCommand({QStringLiteral("detach"),
                  QStringLiteral("WALLET CARD SLOT [--yes]"),
                  QStringLiteral("removes the file in the card's image, sound or document slot from the wallet"),
                  3,
                  3,
                  {YesOption()}}) {}

int CmdDetach::Run(CliContext& context) const {
    CWallet& wallet = context.OpenWallet(CliContext::Access::Change);
    CCard& card = context.Card(context.Arg(1));
    CAttachment& slot = CliContext::Slot(card, context.Arg(2));
    if (!slot.IsAttached())
        throw CliError(QStringLiteral("nothing is attached in the %1 slot").arg(context.Arg(2)));
    context.RequireCardAccess(card, true);
    const QString question =
        QStringLiteral("Are you sure that you want to permanently remove \"%1\" from this card?").arg(slot.description);
    if (!Prompts::AskYesNo(question, Prompts::Icon::Exclamation, Prompts::Answer::No))
        throw CliError(QStringLiteral("the attachment was not removed"));
    // An empty slot keeps no name, so it shows and exports as empty.
    const bool removed = wallet.ChangeCard(card, [&slot](CCard&) {
        if (!slot.RemoveStream())
            return false;
        slot.description.clear();
        slot.path.clear();
        return true;
    });
    if (!removed)
        throw CliError(QStringLiteral("the attachment could not be removed from the wallet file"));
    context.Save();
    return 0;
}
