// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdMerge.h"

#include "base/Clock.h"
#include "cli/CliConsole.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "document/CWallet.h"
#include "document/CWalletMerge.h"

#include <QFileInfo>

#include <memory>

namespace {
// Another version, read alongside the wallet and never written; one sealed under the wallet's own key (a conflict
// copy of a sealed wallet) opens without its passphrase asked again. Its reasons for failing have been told already.
std::unique_ptr<CWallet> ReadVersion(const QString& path, const QString& argument, const CWallet& wallet) {
    const QString& walletPath = wallet.PathName();
    const QFileInfo info(path);
    if (!info.isFile())
        throw CliError(u'"' + argument + QStringLiteral("\" is not a wallet file"));
    if (info == QFileInfo(walletPath))
        throw CliError(u'"' + argument + QStringLiteral("\" is the wallet itself"));
    auto version = std::make_unique<CWallet>();
    version->SetFileHold(CWallet::FileHold::Shared);
    if (!version->ReadVersion(path, wallet.SealingKey()))
        throw CliError(QString());
    return version;
}
} // namespace

CmdMerge::CmdMerge()
    : CliCommand({QStringLiteral("merge"),
                  QStringLiteral("WALLET OTHER [--base BASE] [--dry-run]"),
                  QStringLiteral("merges another version of the wallet into it (against their common version BASE, "
                                 "else keeping every record of both) and prints what came from where"),
                  2,
                  2,
                  {QCommandLineOption(QStringLiteral("base"), QString(), QStringLiteral("BASE")),
                   QCommandLineOption(QStringLiteral("dry-run"))}}) {}

int CmdMerge::Run(CliContext& context) const {
    const QString otherPath = context.PathArg(1, "OTHER");
    const bool hasBase = context.IsSet(QStringLiteral("base"));
    if (hasBase && context.Value(QStringLiteral("base")).isEmpty())
        throw CliError::Usage(QStringLiteral("--base needs a wallet file"));
    const QString basePath = hasBase ? QFileInfo(context.Value(QStringLiteral("base"))).absoluteFilePath() : QString();

    CWallet& wallet = context.OpenWallet(CliContext::Access::Change);
    // A merge may change any card of any category.
    context.RequireAccess();
    const std::unique_ptr<CWallet> other = ReadVersion(otherPath, context.Arg(1), wallet);
    const std::unique_ptr<CWallet> base =
        hasBase ? ReadVersion(basePath, context.Value(QStringLiteral("base")), wallet) : nullptr;

    CWalletMerge merge(base.get(), wallet, *other, Clock::Now());
    const bool dryRun = context.IsSet(QStringLiteral("dry-run"));
    if (!dryRun && !merge.ChangesNothing()) {
        QString error;
        if (!merge.Apply(wallet, error))
            throw CliError(error);
        context.Save();
    }
    context.Console().PrintOut(merge.ReportText(QFileInfo(otherPath).fileName()));
    return 0;
}
