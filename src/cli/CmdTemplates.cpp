// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdTemplates.h"

#include "cli/CliConsole.h"
#include "cli/CliContext.h"
#include "document/CWallet.h"

#include <QJsonArray>
#include <QJsonObject>

CmdTemplates::CmdTemplates()
    : CliCommand({QStringLiteral("templates"),
                  QStringLiteral("WALLET [--json]"),
                  QStringLiteral("the card templates and their fields"),
                  1,
                  1,
                  {JsonOption()}}) {}

int CmdTemplates::Run(CliContext& context) const {
    const CWallet& wallet = context.OpenWallet(CliContext::Access::Read);
    const bool json = context.IsSet(QStringLiteral("json"));
    QTextStream& out = context.Console().Out();
    QJsonArray list;
    for (const CCardTemplate* cardTemplate : wallet.Templates()) {
        QJsonArray fields;
        QStringList names;
        // A template may leave a slot free between used ones, so each field says its slot for --value.
        for (int slot = 0; slot < CTemplateFieldArray::kMaxFields; ++slot) {
            const CTemplateField& field = cardTemplate->fields[slot];
            if (field.IsFree())
                continue;
            fields.append(QJsonObject{{QStringLiteral("name"), field.name},
                                      {QStringLiteral("type"), field.type},
                                      {QStringLiteral("slot"), slot}});
            names.append(QStringLiteral("%1=%2").arg(slot).arg(field.name));
        }
        if (!json) {
            out << cardTemplate->id << '\t' << CliConsole::Printable(cardTemplate->internalName, false) << '\t'
                << CliConsole::Printable(cardTemplate->description, false) << '\t'
                << CliConsole::Printable(names.join(QStringLiteral(", ")), false) << '\n';
            continue;
        }
        list.append(QJsonObject{{QStringLiteral("id"), cardTemplate->id},
                                {QStringLiteral("internalName"), cardTemplate->internalName},
                                {QStringLiteral("description"), cardTemplate->description},
                                {QStringLiteral("iconId"), cardTemplate->iconId},
                                {QStringLiteral("fields"), fields}});
    }
    if (json)
        context.PrintJson(list);
    return 0;
}
