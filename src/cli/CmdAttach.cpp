// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdAttach.h"

#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/TerminalPrompts.h"
#include "document/CWallet.h"
#include "document/Utilities.h"
#include "resources/StringTable.h"

#include <QFileInfo>

CmdAttach::CmdAttach()
    : CliCommand({QStringLiteral("attach"),
                  QStringLiteral("WALLET CARD SLOT FILE"),
                  QStringLiteral("stores FILE in the card's image, sound or document slot"),
                  4,
                  4,
                  {}}) {}

int CmdAttach::Run(CliContext& context) const {
    CWallet& wallet = context.OpenWallet();
    CCard& card = context.Card(context.Arg(1));
    CAttachment& slot = CliContext::Slot(card, context.Arg(2));
    const QFileInfo file(context.Arg(3));
    if (!file.isFile() || !file.isReadable())
        throw CliError(u'"' + context.Arg(3) + QStringLiteral("\" is not a readable file"));
    // As on the card's Attachments page, a slot that holds a file offers only its removal.
    if (slot.IsAttached())
        throw CliError(
            QStringLiteral("the %1 slot already holds \"%2\"; detach it first").arg(context.Arg(2), slot.description));
    context.RequireCardAccess(card, true);
    TerminalPrompts& prompts = context.GetPrompts();
    // The wallet has been saved, so the only reason to offer saving it is a file that cannot be opened.
    prompts.Preanswer(LoadResString(kStrSaveBeforeAttaching), Prompts::Answer::No);
    prompts.PrepareFileName(file.absoluteFilePath());
    if (!slot.StoreFile())
        throw CliError(QStringLiteral("the file was not attached: the wallet file cannot be changed"));
    wallet.SetModified(true);
    context.Save();
    return 0;
}
