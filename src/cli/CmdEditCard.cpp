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
    const auto values = context.FieldValues(wallet.Templates().FindByInternalName(card.templateName));
    context.RequireCardAccess(card, true);
    const bool changed = wallet.ChangeCard(card, [&](CCard& edited) {
        bool any = false;
        if (newDescription)
            SetIfChanged(edited.description, context.Value(QStringLiteral("description")), any);
        for (const auto& [slot, text] : values) {
            if (edited.values[size_t(slot)] != text) {
                edited.values.Set(size_t(slot), text);
                any = true;
            }
        }
        if (newNotes)
            SetIfChanged(edited.notes, context.Value(QStringLiteral("notes")), any);
        return any;
    });
    if (changed)
        context.Save();
    return 0;
}
