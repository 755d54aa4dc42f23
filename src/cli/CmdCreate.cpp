// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdCreate.h"

#include "base/Utilities.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/TerminalPrompts.h"
#include "document/CWallet.h"
#include "resources/StringTable.h"

#include <QFileInfo>

CmdCreate::CmdCreate()
    : CliCommand({QStringLiteral("create"),
                  QStringLiteral("WALLET [--password]"),
                  QStringLiteral("make a new wallet; --password asks for its password twice"),
                  1,
                  1,
                  {QCommandLineOption(QStringLiteral("password"))}}) {}

int CmdCreate::Run(CliContext& context) const {
    const QString path = context.PathArg(0, "WALLET");
    if (QFileInfo::exists(path))
        throw CliError(u'"' + context.Arg(0) + QStringLiteral("\" already exists; create makes only new files"));
    const bool withPassword = context.IsSet(QStringLiteral("password"));
    TerminalPrompts& prompts = context.GetPrompts();
    prompts.Preanswer(LoadResString(kStrOfferPassword), withPassword ? Prompts::Answer::Yes : Prompts::Answer::No);
    CWallet& wallet = context.NewWallet();
    if (!wallet.OnNewDocument())
        throw CliError(QStringLiteral("the new wallet could not be made"));
    if (withPassword && wallet.Password().isEmpty())
        context.Refused(QStringLiteral("no password was set"));
    prompts.PrepareFileName(path);
    if (!wallet.OnFileSave())
        throw CliError(QString());
    return 0;
}
