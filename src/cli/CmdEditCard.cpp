// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdEditCard.h"

#include "base/Utilities.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "document/CWallet.h"

CmdEditCard::CmdEditCard()
    : CliCommand({QStringLiteral("edit-card"),
                  QStringLiteral("WALLET CARD [--description TEXT] [--value N=TEXT]... [--notes TEXT]"),
                  QStringLiteral("changes a card; an empty TEXT of --value empties that field"),
                  2,
                  2,
                  {QCommandLineOption(QStringLiteral("description"), QString(), QStringLiteral("TEXT")), ValueOption(),
                   NotesOption()}}) {}

int CmdEditCard::Run(CliContext& context) const {
    const bool newDescription = context.IsSet(QStringLiteral("description"));
    const bool newNotes = context.IsSet(QStringLiteral("notes"));
    if (!newDescription && !newNotes && !context.IsSet(QStringLiteral("value")))
        throw CliError::Usage(QStringLiteral("edit-card needs --description, --value or --notes"));
    if (newDescription && context.Value(QStringLiteral("description")).isEmpty())
        throw CliError::Usage(QStringLiteral("a card needs a description"));
    CWallet& wallet = context.OpenWallet(CliContext::Access::Change);
    CCard& card = context.Card(context.Arg(1));
    const auto values = context.FieldValues(wallet.templates.FindByInternalName(card.templateName));
    context.RequireCardAccess(card, true);
    bool changed = false;
    if (newDescription)
        SetIfChanged(card.description, context.Value(QStringLiteral("description")), changed);
    for (const auto& [slot, text] : values) {
        if (card.values[size_t(slot)] != text) {
            card.values.Set(size_t(slot), text);
            changed = true;
        }
    }
    if (newNotes)
        SetIfChanged(card.notes, context.Value(QStringLiteral("notes")), changed);
    if (changed) {
        wallet.SetModified(true);
        context.Save();
    }
    return 0;
}
