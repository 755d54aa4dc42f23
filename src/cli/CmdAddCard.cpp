// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdAddCard.h"

#include "cli/CliConsole.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "document/CWallet.h"

CmdAddCard::CmdAddCard()
    : CliCommand({QStringLiteral("add-card"),
                  QStringLiteral("WALLET CATEGORY TEMPLATE DESCRIPTION [--value N=TEXT]... [--notes TEXT]"),
                  QStringLiteral("a new card; N is the field slot, 0 to 14; prints its id"),
                  4,
                  4,
                  {ValueOption(), NotesOption()}}) {}

int CmdAddCard::Run(CliContext& context) const {
    const QString description = context.Arg(3);
    if (description.isEmpty())
        throw CliError::Usage(QStringLiteral("a card needs a description"));
    CWallet& wallet = context.OpenWallet(CliContext::Access::Change);
    const CCategory& category = context.Category(context.Arg(1));
    const CCardTemplate& cardTemplate = context.Template(context.Arg(2));
    const auto values = context.FieldValues(&cardTemplate);
    context.RequireAccess(category);
    context.RequireCardChange();
    auto card = std::make_unique<CCard>(context.FreeId());
    card->categoryId = category.id;
    card->templateName = cardTemplate.internalName;
    card->iconId = cardTemplate.iconId;
    card->description = description;
    for (const auto& [slot, text] : values)
        card->values.Set(size_t(slot), text);
    card->notes = context.Value(QStringLiteral("notes"));
    const qint32 id = card->id;
    wallet.AddCard(std::move(card));
    context.Save();
    context.Console().PrintOut(QString::number(id));
    return 0;
}
