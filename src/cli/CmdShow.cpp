// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdShow.h"

#include "base/Clipboard.h"
#include "base/Utilities.h"
#include "cli/CliConsole.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "document/CSystemClipboard.h"
#include "document/CWallet.h"
#include "model/CardSlots.h"
#include "resources/StringTable.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {
const QString kMask = QStringLiteral("******");

QJsonObject AttachmentObject(const CAttachment& slot) {
    return QJsonObject{{QStringLiteral("name"), slot.description}, {QStringLiteral("stream"), slot.streamName}};
}
} // namespace

CmdShow::CmdShow()
    : CliCommand(
          {QStringLiteral("show"),
           QStringLiteral("WALLET CARD [--show-passwords] [--json] [--copy FIELD]"),
           QStringLiteral("one card; password values as ****** when the card hides them; with --copy, one "
                          "value (FIELD: its slot 0 to 14, its name, username or password) goes to the desktop's "
                          "clipboard instead, until it is cleared"),
           2,
           2,
           {JsonOption(), QCommandLineOption(QStringLiteral("show-passwords")),
            QCommandLineOption(QStringLiteral("copy"), QString(), QStringLiteral("FIELD"))}}) {}

QString CmdShow::ShownValue(const CCard& card, const CCardTemplate* cardTemplate, int slot, bool showPasswords) {
    const QString value = card.values[size_t(slot)].toString();
    const bool isPassword = cardTemplate && cardTemplate->fields[slot].type == FieldTypes::Password;
    return isPassword && card.hidePasswords && !showPasswords && !value.isEmpty() ? kMask : value;
}

// The value goes to the clipboard and nowhere else: not to the terminal, its scrollback or a script's log.
int CmdShow::CopyValue(CliContext& context, const CCard& card, const CCardTemplate* cardTemplate) {
    const QString slotName = context.Value(QStringLiteral("copy"));
    const int slot = CardSlots::Named(card, cardTemplate, slotName);
    if (slot < 0 || card.values[size_t(slot)].isEmpty())
        throw CliError(QStringLiteral("The card \"%1\" has no value for \"%2\".").arg(card.description, slotName));
    Clipboard* clipboard = Clipboard::Installed();
    if (!clipboard)
        throw CliError(QStringLiteral("No desktop clipboard is reachable (neither WAYLAND_DISPLAY nor DISPLAY is "
                                      "set); nothing was copied."));
    clipboard->SetSecret(card.values[size_t(slot)].toString());
    const QString name = cardTemplate && !cardTemplate->fields[slot].name.isEmpty() ? cardTemplate->fields[slot].name
                                                                                    : QString::number(slot);
    const int seconds = CSystemClipboard::ClearSeconds();
    context.Console().Err() << QStringLiteral("Copied \"%1\" of \"%2\" to the clipboard")
                                   .arg(CliConsole::Printable(name, false),
                                        CliConsole::Printable(card.description, false))
                            << (seconds == 0 ? QStringLiteral(".")
                                             : QStringLiteral("; it is cleared in %1 seconds.").arg(seconds))
                            << '\n';
    return 0;
}

int CmdShow::Run(CliContext& context) const {
    const CWallet& wallet = context.OpenWallet(CliContext::Access::Read);
    const CCard& card = context.Card(context.Arg(1));
    context.RequireCardAccess(card, false);
    const bool showPasswords = context.IsSet(QStringLiteral("show-passwords"));
    const CCardTemplate* cardTemplate = wallet.Templates().FindByInternalName(card.templateName);
    if (context.IsSet(QStringLiteral("copy")))
        return CopyValue(context, card, cardTemplate);
    QJsonArray values;
    for (int slot = 0; slot < CCard::kValueCount; ++slot)
        values.append(ShownValue(card, cardTemplate, slot, showPasswords));
    if (context.IsSet(QStringLiteral("json"))) {
        context.PrintJson(QJsonObject{{QStringLiteral("id"), card.id},
                                      {QStringLiteral("description"), card.description},
                                      {QStringLiteral("category"), card.categoryId},
                                      {QStringLiteral("template"), card.templateName},
                                      {QStringLiteral("iconId"), card.iconId},
                                      {QStringLiteral("hidePasswords"), card.hidePasswords != 0},
                                      {QStringLiteral("boldNames"), card.boldNames != 0},
                                      {QStringLiteral("textColor"), CliContext::ColorText(card.textColor)},
                                      {QStringLiteral("backgroundColor"), CliContext::ColorText(card.backColor)},
                                      {QStringLiteral("values"), values},
                                      {QStringLiteral("notes"), card.notes},
                                      {QStringLiteral("attachments"),
                                       QJsonObject{{QStringLiteral("image"), AttachmentObject(card.image())},
                                                   {QStringLiteral("sound"), AttachmentObject(card.sound())},
                                                   {QStringLiteral("document"), AttachmentObject(card.document())}}}});
        return 0;
    }
    QTextStream& out = context.Console().Out();
    out << CliConsole::Printable(card.description, false) << '\n';
    for (int slot = 0; slot < CCard::kValueCount; ++slot) {
        if (card.values[size_t(slot)].isEmpty())
            continue;
        const QString name = cardTemplate ? cardTemplate->fields[slot].name : QString();
        out << CliConsole::Printable(name.isEmpty() ? QString::number(slot) : name, false) << ": "
            << CliConsole::Printable(values[slot].toString(), true) << '\n';
    }
    const std::pair<const char*, const CAttachment*> slots[] = {
        {"Image", &card.image()}, {"Sound", &card.sound()}, {"Document", &card.document()}};
    for (const auto& [label, slot] : slots) {
        if (slot->IsAttached())
            out << label << ": " << CliConsole::Printable(slot->description, false) << '\n';
    }
    if (!card.notes.isEmpty())
        out << LoadResString(kStrNotes) << ":\n" << CliConsole::Printable(card.notes, true) << '\n';
    return 0;
}
