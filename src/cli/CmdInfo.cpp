// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdInfo.h"

#include "cli/CliConsole.h"
#include "cli/CliContext.h"
#include "document/CWallet.h"
#include "storage/SealKey.h"

#include <QJsonObject>

CmdInfo::CmdInfo()
    : CliCommand({QStringLiteral("info"),
                  QStringLiteral("WALLET [--json]"),
                  QStringLiteral("the wallet's settings and counts"),
                  1,
                  1,
                  {JsonOption()}}) {}

int CmdInfo::Run(CliContext& context) const {
    const CWallet& wallet = context.OpenWallet(CliContext::Access::Read);
    // The version is shown with two decimals; the JSON number is that rounded value, not the float's digits.
    const QString version = QString::asprintf("%4.2f", double(wallet.Version())).trimmed();
    QList<std::pair<QString, QJsonValue>> items = {
        {QStringLiteral("version"), version.toDouble()},
        {QStringLiteral("cipherMethod"), wallet.CipherMethod()},
        {QStringLiteral("nextId"), wallet.PeekNextId()},
        {QStringLiteral("categories"), qint64(wallet.Categories().Count())},
        {QStringLiteral("cards"), qint64(wallet.Cards().Count())},
        {QStringLiteral("templates"), qint64(wallet.Templates().Count())},
        {QStringLiteral("attachments"), wallet.CountAttachments()},
        {QStringLiteral("askPasswordOnOpen"), wallet.GetSettings().askPasswordOnOpen != 0},
        {QStringLiteral("mustUnlockToEdit"), wallet.GetSettings().mustUnlockToEdit != 0},
        {QStringLiteral("autoLock"), wallet.GetSettings().autoLock != 0},
        {QStringLiteral("lockMinutes"), wallet.GetSettings().lockMinutes},
        {QStringLiteral("disableDesktopPassword"), wallet.GetSettings().disableDesktopPassword != 0},
        {QStringLiteral("hidePasswordsDefault"), wallet.GetSettings().hidePasswordsDefault != 0},
        {QStringLiteral("boldFieldNamesDefault"), wallet.GetSettings().boldFieldNamesDefault != 0},
        {QStringLiteral("defaultBackColor"), CliContext::ColorText(wallet.GetSettings().defaultBackColor)},
        {QStringLiteral("defaultTextColor"), CliContext::ColorText(wallet.GetSettings().defaultTextColor)},
        {QStringLiteral("sealed"), wallet.IsSealed()},
    };
    if (wallet.IsSealed()) {
        const SealKey::Costs costs = wallet.SealingKey()->DerivationCosts();
        items.append({QStringLiteral("sealKeyDerivation"), QStringLiteral("Argon2id")});
        items.append({QStringLiteral("sealPasses"), qint64(costs.operations)});
        items.append({QStringLiteral("sealMemoryKiB"), qint64(costs.memoryKiB)});
    }
    if (context.IsSet(QStringLiteral("json"))) {
        QJsonObject object;
        for (const auto& [key, value] : items)
            object.insert(key, value);
        context.PrintJson(object);
        return 0;
    }
    QTextStream& out = context.Console().Out();
    out << "version: " << version << '\n';
    for (const auto& [key, value] : items.sliced(1))
        out << key << ": " << value.toVariant().toString() << '\n';
    return 0;
}
