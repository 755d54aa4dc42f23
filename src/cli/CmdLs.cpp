// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdLs.h"

#include "cli/CliConsole.h"
#include "cli/CliContext.h"
#include "document/CWallet.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {
QJsonArray Categories(const CWallet& wallet) {
    QJsonArray list;
    for (const CCategory* category : wallet.categories) {
        list.append(QJsonObject{{QStringLiteral("id"), category->id},
                                {QStringLiteral("description"), category->description},
                                {QStringLiteral("requirePassword"), category->RequiresPassword()},
                                {QStringLiteral("iconId"), category->iconId},
                                {QStringLiteral("defaultTemplate"), category->defaultTemplate}});
    }
    return list;
}

QJsonArray Cards(const CWallet& wallet, qint32 categoryId) {
    QJsonArray list;
    for (const CCard* card : wallet.cards) {
        if (card->categoryId != categoryId)
            continue;
        list.append(QJsonObject{{QStringLiteral("id"), card->id},
                                {QStringLiteral("description"), card->description},
                                {QStringLiteral("template"), card->templateName},
                                {QStringLiteral("iconId"), card->iconId}});
    }
    return list;
}
} // namespace

CmdLs::CmdLs()
    : CliCommand({QStringLiteral("ls"),
                  QStringLiteral("WALLET [CATEGORY] [--json]"),
                  QStringLiteral("the categories, or the cards of one category"),
                  1,
                  2,
                  {JsonOption()}}) {}

int CmdLs::Run(CliContext& context) const {
    const CWallet& wallet = context.OpenWallet(CliContext::Access::Read);
    QJsonArray list;
    if (context.ArgCount() > 1) {
        const CCategory& category = context.Category(context.Arg(1));
        context.RequireAccess(category);
        list = Cards(wallet, category.id);
    } else {
        list = Categories(wallet);
    }
    if (context.IsSet(QStringLiteral("json"))) {
        context.PrintJson(list);
        return 0;
    }
    QTextStream& out = context.Console().Out();
    for (const QJsonValue& item : list) {
        const QJsonObject object = item.toObject();
        out << object[QStringLiteral("id")].toInt() << '\t'
            << CliConsole::Printable(object[QStringLiteral("description")].toString(), false);
        if (object[QStringLiteral("requirePassword")].toBool())
            out << "\t(password)";
        out << '\n';
    }
    return 0;
}
