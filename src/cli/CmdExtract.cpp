// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdExtract.h"

#include "base/Utilities.h"
#include "cli/CliConsole.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "document/CWallet.h"
#include "resources/StringTable.h"

CmdExtract::CmdExtract()
    : CliCommand({QStringLiteral("extract"),
                  QStringLiteral("WALLET CARD SLOT [FILE] [--yes]"),
                  QStringLiteral("copies an attached file to FILE, or to the private attachment folder and prints "
                                 "its path"),
                  3,
                  4,
                  {YesOption()}}) {}

int CmdExtract::Run(CliContext& context) const {
    context.OpenWallet(CliContext::Access::Read);
    CCard& card = context.Card(context.Arg(1));
    const CAttachment& slot = CliContext::Slot(card, context.Arg(2));
    if (!slot.IsAttached())
        throw CliError(QStringLiteral("nothing is attached in the %1 slot").arg(context.Arg(2)));
    context.RequireCardAccess(card, false);
    if (context.ArgCount() < 4) {
        QString path;
        if (!slot.ExtractFile(path))
            throw CliError(LoadResString(kStrOpenError));
        context.Console().PrintOut(path);
        return 0;
    }
    const QString target = context.PathArg(3, "FILE");
    context.ConfirmReplace(target);
    QString error;
    if (!slot.ExtractTo(target, error))
        throw CliError(LoadResString(kStrOpenError) + QStringLiteral("\n\n") + error);
    return 0;
}
