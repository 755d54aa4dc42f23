// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdImport.h"

#include "cli/CliConsole.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "document/CWallet.h"
#include "document/WalletImporter.h"
#include "model/ImportReader.h"

#include <QFile>
#include <QFileInfo>

namespace {
ImportReader::Format FormatOf(CliContext& context, QFile& file) {
    if (context.IsSet(QStringLiteral("format"))) {
        const auto named = ImportReader::FormatNamed(context.Value(QStringLiteral("format")));
        if (!named)
            throw CliError::Usage(QStringLiteral("--format takes keepass-xml, bitwarden-json or csv"));
        return *named;
    }
    const auto detected = ImportReader::Detect(file);
    if (!detected)
        throw CliError(u'"' + file.fileName() + QStringLiteral("\" is empty"));
    return *detected;
}

// A limit in MiB, as the option gives it, or the default.
qint64 LimitOption(CliContext& context, const QString& option, qint64 defaultBytes) {
    if (!context.IsSet(option))
        return defaultBytes;
    bool ok = false;
    const qint64 mib = context.Value(option).toLongLong(&ok);
    if (!ok || mib <= 0 || mib > ImportLimits::kMostMiB)
        throw CliError::Usage(QStringLiteral("--%1 takes a number of MiB, 1 or more").arg(option));
    return mib * ImportLimits::kMiB;
}

ImportLimits LimitsOf(CliContext& context) {
    ImportLimits limits;
    limits.maxFile = LimitOption(context, QStringLiteral("max-attachment"), limits.maxFile);
    limits.maxTotal = LimitOption(context, QStringLiteral("max-total"), limits.maxTotal);
    return limits;
}
} // namespace

CmdImport::CmdImport()
    : CliCommand({QStringLiteral("import"),
                  QStringLiteral("WALLET FILE [--format keepass-xml|bitwarden-json|csv] [--category NAME] "
                                 "[--recycle-bin] [--dry-run] [--max-attachment MIB] [--max-total MIB]"),
                  QStringLiteral("imports the entries of a KeePass XML, Bitwarden JSON or CSV export as cards"),
                  2,
                  2,
                  {QCommandLineOption(QStringLiteral("format"), QString(), QStringLiteral("FORMAT")),
                   QCommandLineOption(QStringLiteral("category"), QString(), QStringLiteral("NAME")),
                   QCommandLineOption(QStringLiteral("recycle-bin")), QCommandLineOption(QStringLiteral("dry-run")),
                   QCommandLineOption(QStringLiteral("max-attachment"), QString(), QStringLiteral("MIB")),
                   QCommandLineOption(QStringLiteral("max-total"), QString(), QStringLiteral("MIB"))}}) {}

int CmdImport::Run(CliContext& context) const {
    const QString path = context.PathArg(1, "export file");
    if (!QFileInfo(path).isFile())
        throw CliError(u'"' + context.Arg(1) + QStringLiteral("\" is not a regular file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw CliError(u'"' + context.Arg(1) + QStringLiteral("\" cannot be read: ") + file.errorString());
    const ImportReader::Format format = FormatOf(context, file);
    const QString category = context.Value(QStringLiteral("category"));
    if (context.IsSet(QStringLiteral("category")) && category.trimmed().isEmpty())
        throw CliError::Usage(QStringLiteral("--category needs a name"));
    const ImportLimits limits = LimitsOf(context);

    CWallet& wallet = context.OpenWallet(CliContext::Access::Change);
    if (wallet.GetSettings().mustUnlockToEdit)
        context.RequireAccess();
    WalletImporter importer(wallet, category, [&](const CCategory& existing) { context.RequireAccess(existing); });
    QString error;
    const auto reader = ImportReader::Create(format, context.IsSet(QStringLiteral("recycle-bin")), limits);
    // The first failure to store an entry ends the import; the wallet is then left unsaved, exactly as it was.
    const bool read = reader->ReadAhead(
        file,
        [&](ImportedEntry& entry) {
            if (error.isEmpty())
                importer.Add(entry, error);
        },
        error);
    if (!read || !error.isEmpty())
        throw CliError(u'"' + context.Arg(1) + QStringLiteral("\": ") + error + QStringLiteral("; nothing imported"));

    const bool dryRun = context.IsSet(QStringLiteral("dry-run"));
    if (!dryRun) {
        wallet.SetModified(true);
        context.Save();
    }
    context.Console().PrintOut(importer.GetSummary().Text(dryRun));
    return 0;
}
