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

} // namespace

CmdImport::CmdImport()
    : CliCommand({QStringLiteral("import"),
                  QStringLiteral("WALLET FILE [--format keepass-xml|bitwarden-json|csv] [--category NAME] "
                                 "[--recycle-bin] [--dry-run]"),
                  QStringLiteral("imports the entries of a KeePass XML, Bitwarden JSON or CSV export as cards"),
                  2,
                  2,
                  {QCommandLineOption(QStringLiteral("format"), QString(), QStringLiteral("FORMAT")),
                   QCommandLineOption(QStringLiteral("category"), QString(), QStringLiteral("NAME")),
                   QCommandLineOption(QStringLiteral("recycle-bin")), QCommandLineOption(QStringLiteral("dry-run"))}}) {
}

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

    CWallet& wallet = context.OpenWallet(CliContext::Access::Change);
    if (wallet.GetSettings().mustUnlockToEdit)
        context.RequireAccess();
    WalletImporter importer(wallet, category, [&](const CCategory& existing) { context.RequireAccess(existing); });
    QString error;
    const auto reader = ImportReader::Create(format, context.IsSet(QStringLiteral("recycle-bin")));
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
