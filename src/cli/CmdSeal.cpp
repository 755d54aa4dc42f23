// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdSeal.h"

#include "cli/CliConsole.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/TerminalPrompts.h"
#include "document/CWallet.h"
#include "storage/SealKey.h"
#include "storage/SealedHeader.h"

#include <QFileInfo>

namespace {
const QString kPasses = QStringLiteral("kdf-passes");
const QString kMemory = QStringLiteral("kdf-memory");

quint32 Number(const CliContext& context, const QString& option, quint32 least, quint32 most) {
    bool ok = false;
    const uint value = context.Value(option).toUInt(&ok);
    if (!ok || value < least || value > most)
        throw CliError::Usage(QStringLiteral("--%1 must be a number from %2 to %3").arg(option).arg(least).arg(most));
    return value;
}

// Unless the user sets them, the costs are measured so that opening takes about half a second on this machine.
SealKey::Costs ChosenCosts(const CliContext& context) {
    SealKey::Costs costs = context.IsSet(kPasses) && context.IsSet(kMemory) ? SealKey::Costs{} : SealKey::Calibrate();
    if (context.IsSet(kPasses))
        costs.operations = Number(context, kPasses, 1, SealedHeader::kUsualMaxOperations);
    if (context.IsSet(kMemory))
        costs.memoryKiB = Number(context, kMemory, 1, SealedHeader::kUsualMaxMemoryKiB / 1024) * 1024;
    return costs;
}
} // namespace

CmdSeal::CmdSeal()
    : CliCommand({QStringLiteral("seal"),
                  QStringLiteral("WALLET [--kdf-passes N] [--kdf-memory MIB] [--yes]"),
                  QStringLiteral("encrypts the whole wallet file under a passphrase (asked twice); on a sealed wallet, "
                                 "changes the passphrase"),
                  1,
                  1,
                  {QCommandLineOption(kPasses, QString(), QStringLiteral("N")),
                   QCommandLineOption(kMemory, QString(), QStringLiteral("MIB")), YesOption()}}) {}

int CmdSeal::Run(CliContext& context) const {
    const SealKey::Costs costs = ChosenCosts(context);
    CWallet& wallet = context.OpenWallet(CliContext::Access::Change);
    context.RequireAccess();
    TerminalPrompts& prompts = context.GetPrompts();
    prompts.ClearPasswordFailure();
    QString passphrase;
    if (!prompts.AskPassphrase(passphrase, wallet.Title(), true))
        context.Refused(QStringLiteral("the wallet was not sealed"));
    QString error;
    const bool sealed = wallet.SealFile(passphrase, costs.operations, costs.memoryKiB, error);
    SealKey::WipeText(passphrase);
    if (!sealed)
        throw CliError(error.isEmpty() ? QStringLiteral("the wallet was not sealed") : error);
    context.Console().PrintOut(QStringLiteral("\"%1\" is sealed (Argon2id, %2 passes, %3 MiB).")
                                   .arg(QFileInfo(wallet.PathName()).fileName())
                                   .arg(costs.operations)
                                   .arg(costs.memoryKiB / 1024));
    return 0;
}
