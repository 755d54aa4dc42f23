// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdSearch.h"

#include "cli/CliConsole.h"
#include "cli/CliContext.h"
#include "document/CWallet.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <vector>

namespace {
// The description folded once, unit for unit as a case-blind comparison folds it, so that sorting compares keys.
QString FoldedKey(const QString& text) {
    QString key;
    key.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
        c = QChar::toCaseFolded(c);
        if (QChar::requiresSurrogates(c)) {
            key += QChar(QChar::highSurrogate(c));
            key += QChar(QChar::lowSurrogate(c));
        } else {
            key += QChar(char16_t(c));
        }
    }
    return key;
}

struct Found {
    QString key;
    const CCard* card;
};
} // namespace

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
    std::vector<Found> found;
    for (const CCard* card : wallet.Cards()) {
        if (card->ContainsText(text, matchCase))
            found.push_back({FoldedKey(card->description), card});
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Found& a, const Found& b) { return a.key.compare(b.key, Qt::CaseSensitive) < 0; });
    const bool json = context.IsSet(QStringLiteral("json"));
    QJsonArray list;
    QTextStream& out = context.Console().Out();
    for (const Found& entry : found) {
        const CCard* card = entry.card;
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
