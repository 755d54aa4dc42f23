// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdSearch.h"

#include "cli/CliConsole.h"
#include "cli/CliContext.h"
#include "document/CWallet.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

CmdSearch::CmdSearch()
    : CliCommand({QStringLiteral("search"),
                  QStringLiteral("WALLET TEXT [--match-case] [--json]"),
                  QStringLiteral("the cards whose description, values or notes contain TEXT"),
                  2,
                  2,
                  {JsonOption(), QCommandLineOption(QStringLiteral("match-case"))}}) {}

int CmdSearch::Run(CliContext& context) const {
    const CWallet& wallet = context.OpenWallet(CliContext::Access::Read);
    context.RequireAccess();
    const QString text = context.Arg(1);
    const bool matchCase = context.IsSet(QStringLiteral("match-case"));
    QList<const CCard*> found;
    for (const CCard* card : wallet.cards) {
        if (card->ContainsText(text, matchCase))
            found.append(card);
    }
    std::stable_sort(found.begin(), found.end(), [](const CCard* a, const CCard* b) {
        return a->description.compare(b->description, Qt::CaseInsensitive) < 0;
    });
    const bool json = context.IsSet(QStringLiteral("json"));
    QJsonArray list;
    QTextStream& out = context.Console().Out();
    for (const CCard* card : found) {
        if (json)
            list.append(
                QJsonObject{{QStringLiteral("id"), card->id}, {QStringLiteral("description"), card->description}});
        else
            out << card->id << '\t' << CliConsole::Printable(card->description, false) << '\n';
    }
    if (json)
        context.PrintJson(list);
    return 0;
}
