// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdAttach.h"

#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/TerminalPrompts.h"
#include "document/CWallet.h"

#include <QFileInfo>

CmdAttach::CmdAttach()
    : CliCommand({QStringLiteral("attach"),
                  QStringLiteral("WALLET CARD SLOT FILE"),
                  QStringLiteral("stores FILE in the card's image, sound or document slot"),
                  4,
                  4,
                  {}}) {}

int CmdAttach::Run(CliContext& context) const {
    CWallet& wallet = context.OpenWallet(CliContext::Access::Change);
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
    context.GetPrompts().PrepareFileName(file.absoluteFilePath());
    // The cause is named as the system gives it: the file that cannot be read, or the disk that is full.
    QString error;
    if (!wallet.ChangeCard(card, [&](CCard&) { return slot.StoreFile(&error) != 0; }))
        throw CliError(u'"' + context.Arg(3) + QStringLiteral("\" could not be attached") +
                       (error.isEmpty() ? QString() : QStringLiteral(": ") + error));
    context.Save();
    return 0;
}
