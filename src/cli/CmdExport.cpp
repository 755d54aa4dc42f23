// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdExport.h"

#include "base/Utilities.h"
#include "cli/CliConsole.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "document/CWallet.h"
#include "document/WalletExport.h"
#include "resources/StringTable.h"

#include <QDir>

CmdExport::CmdExport()
    : CliCommand({QStringLiteral("export"),
                  QStringLiteral("WALLET FILE [--xml] [--category ID]... [--yes]"),
                  QStringLiteral("the cards of the named categories (all when none is named) as text or XML"),
                  2,
                  2,
                  {QCommandLineOption(QStringLiteral("xml")),
                   QCommandLineOption(QStringLiteral("category"), QString(), QStringLiteral("ID")), YesOption()}}) {}

int CmdExport::Run(CliContext& context) const {
    const CWallet& wallet = context.OpenWallet(CliContext::Access::Read);
    context.RequireAccess();
    if (wallet.Cards().IsEmpty())
        throw CliError(LoadResString(kStrNoDataToExport));
    QList<qint32> chosen;
    for (const QString& id : context.Values(QStringLiteral("category")))
        chosen.append(context.Category(id).id);
    if (chosen.isEmpty()) {
        for (const CCategory* category : wallet.Categories())
            chosen.append(category->id);
    }
    const QString path = context.PathArg(1, "FILE");
    context.ConfirmReplace(path);
    const auto format = context.IsSet(QStringLiteral("xml")) ? WalletExport::Format::Xml : WalletExport::Format::Text;
    QString error;
    if (!WalletExport::Write(wallet, chosen, format, path, error))
        throw CliError(error);
    context.Console().PrintOut(FormatText(LoadResString(kStrExported), {QDir::toNativeSeparators(path)}));
    return 0;
}
