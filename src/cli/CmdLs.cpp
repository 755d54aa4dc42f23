// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdLs.h"

#include "cli/CliConsole.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "document/CWallet.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>

#include <vector>

namespace {
QJsonArray Categories(const CWallet& wallet) {
    QJsonArray list;
    for (const CCategory* category : wallet.Categories()) {
        list.append(QJsonObject{{QStringLiteral("id"), category->id},
                                {QStringLiteral("description"), category->description},
                                {QStringLiteral("requirePassword"), category->RequiresPassword()},
                                {QStringLiteral("iconId"), category->iconId},
                                {QStringLiteral("defaultTemplate"), category->defaultTemplate}});
    }
    return list;
}

QJsonObject CardObject(const CCard& card) {
    return QJsonObject{{QStringLiteral("id"), card.id},
                       {QStringLiteral("description"), card.description},
                       {QStringLiteral("template"), card.templateName},
                       {QStringLiteral("iconId"), card.iconId}};
}

QJsonArray Cards(const CWallet& wallet, qint32 categoryId) {
    QJsonArray list;
    for (const CCard* card : wallet.Cards()) {
        if (card->categoryId == categoryId)
            list.append(CardObject(*card));
    }
    return list;
}

// Every card of every category, category by category as the wallet orders them, in one pass over the cards. A
// protected category asks for the password as listing it alone would; cards of no category are not shown.
QJsonArray AllCards(CliContext& context, const CWallet& wallet) {
    QHash<qint32, size_t> slotOf;
    for (const CCategory* category : wallet.Categories()) {
        context.RequireAccess(*category);
        // A damaged wallet may give two categories one id; their cards are listed once.
        if (!slotOf.contains(category->id)) {
            const size_t slot = size_t(slotOf.size());
            slotOf.insert(category->id, slot);
        }
    }
    std::vector<QJsonArray> byCategory(size_t(slotOf.size()));
    for (const CCard* card : wallet.Cards()) {
        const auto slot = slotOf.constFind(card->categoryId);
        if (slot == slotOf.cend())
            continue;
        QJsonObject object = CardObject(*card);
        object.insert(QStringLiteral("category"), card->categoryId);
        byCategory[*slot].append(object);
    }
    QJsonArray list;
    for (const QJsonArray& cards : byCategory) {
        for (const QJsonValue& card : cards)
            list.append(card);
    }
    return list;
}
} // namespace

CmdLs::CmdLs()
    : CliCommand({QStringLiteral("ls"),
                  QStringLiteral("WALLET [CATEGORY | --all] [--json]"),
                  QStringLiteral("the categories, the cards of one category, or every card with its category"),
                  1,
                  2,
                  {JsonOption(), QCommandLineOption(QStringLiteral("all"))}}) {}

int CmdLs::Run(CliContext& context) const {
    const CWallet& wallet = context.OpenWallet(CliContext::Access::Read);
    QJsonArray list;
    if (context.IsSet(QStringLiteral("all"))) {
        if (context.ArgCount() > 1)
            throw CliError::Usage(QStringLiteral("--all lists every category: name no category with it"));
        list = AllCards(context, wallet);
    } else if (context.ArgCount() > 1) {
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
        if (object.contains(QStringLiteral("category")))
            out << '\t' << object[QStringLiteral("category")].toInt();
        out << '\n';
    }
    return 0;
}
