// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdRmCard.h"

#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "document/CWallet.h"

CmdRmCard::CmdRmCard()
    : CliCommand({QStringLiteral("rm-card"),
                  QStringLiteral("WALLET CARD [--yes]"),
                  QStringLiteral("deletes a card and its attachments"),
                  2,
                  2,
                  {YesOption()}}) {}

int CmdRmCard::Run(CliContext& context) const {
    CWallet& wallet = context.OpenWallet(CliContext::Access::Change);
    const CCard& card = context.Card(context.Arg(1));
    context.RequireCardAccess(card, false);
    if (!wallet.DeleteCard(card.id))
        throw CliError(QStringLiteral("the card was not deleted"));
    context.Save();
    return 0;
}
