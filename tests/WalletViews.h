// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The views of the desktop program compared with the wallet they show: each function gives "" when the view holds
// exactly what the wallet holds, in order, and otherwise says what differs. The views keep pointers to the wallet's
// records, so a row that names a record by a pointer the wallet no longer holds is the first thing they look for.
#include "dialogs/CFindResultsModel.h"
#include "document/CWallet.h"
#include "model/CCard.h"
#include "model/CCategory.h"
#include "views/CIconListModel.h"
#include "views/CTreeModel.h"
#include "views/CViewSummary.h"
#include "widgets/CLinkLabel.h"

#include <QString>

#include <algorithm>
#include <vector>

// The order of the tree's and the summary's rows: by text without regard to case, then by id.
inline bool Before(const CWalletItem* a, const CWalletItem* b) {
    const int order = QString::compare(a->description, b->description, Qt::CaseInsensitive);
    return order < 0 || (order == 0 && a->id < b->id);
}

// The cards of a protected category stay out of the tree while the wallet is locked, unless the wallet switched the
// desktop's password off: then nothing is protected here.
inline bool CardsHidden(const CWallet& wallet, const CCategory& category) {
    return wallet.IsGuarded() && category.RequiresPassword();
}

template <class Record, class List> std::vector<const Record*> Sorted(const List& list) {
    std::vector<const Record*> records;
    for (const Record* record : list)
        records.push_back(record);
    std::sort(records.begin(), records.end(), Before);
    return records;
}

// "" when the tree shows exactly the wallet, in order; otherwise what differs. With a search `text`, only the cards
// holding it (as Find compares) stay, and only the categories that show any of them.
inline QString TreeDifference(const CTreeModel& model, const CWallet& wallet, const QString& text = QString()) {
    const QModelIndex root = model.RootIndex();
    std::vector<std::pair<const CCategory*, std::vector<const CCard*>>> expected;
    for (const CCategory* category : Sorted<CCategory>(wallet.Categories())) {
        std::vector<const CCard*> cards;
        const bool hidden = CardsHidden(wallet, *category);
        for (const CCard* card : wallet.Cards())
            if (!hidden && card->categoryId == category->id && (text.isEmpty() || card->ContainsText(text, false)))
                cards.push_back(card);
        std::sort(cards.begin(), cards.end(), Before);
        if (text.isEmpty() || !cards.empty())
            expected.emplace_back(category, std::move(cards));
    }
    if (model.rowCount(root) != int(expected.size()))
        return QStringLiteral("%1 categories shown, %2 expected").arg(model.rowCount(root)).arg(expected.size());
    for (int row = 0; row < int(expected.size()); ++row) {
        const auto& [category, cards] = expected[size_t(row)];
        const QModelIndex index = model.index(row, 0, root);
        if (model.CategoryAt(index) != category)
            return QStringLiteral("category row %1 is not %2").arg(row).arg(category->description);
        if (model.rowCount(index) != int(cards.size()))
            return QStringLiteral("%1 cards under %2, %3 expected")
                .arg(model.rowCount(index))
                .arg(category->description)
                .arg(cards.size());
        for (int i = 0; i < int(cards.size()); ++i) {
            const QModelIndex card = model.index(i, 0, index);
            if (model.CardAt(card) != cards[size_t(i)] || model.parent(card) != index)
                return QStringLiteral("card row %1 of %2 is not %3")
                    .arg(i)
                    .arg(category->description, cards[size_t(i)]->description);
        }
    }
    return {};
}

// "" when the summary shows what the wallet holds: all its categories, all cards of the category it shows (by
// `categoryId`, the window's current category), or a card the wallet holds, under the card's own description.
inline QString SummaryDifference(CViewSummary& summary, qint32 categoryId, const CWallet& wallet) {
    const CIconListModel& list = summary.ListModel();
    std::vector<const CWalletItem*> expected;
    switch (summary.GetMode()) {
    case CViewSummary::kCategoryList:
        for (const CCategory* category : Sorted<CCategory>(wallet.Categories()))
            expected.push_back(category);
        break;
    case CViewSummary::kCardList:
        for (const CCard* card : Sorted<CCard>(wallet.Cards()))
            if (card->categoryId == categoryId)
                expected.push_back(card);
        break;
    case CViewSummary::kCardDetails: {
        const CCard* card = summary.CurrentCard();
        if (!card)
            return QStringLiteral("the card details show no card");
        if (wallet.Cards().FindById(card->id) != card)
            return QStringLiteral("the card details show a card the wallet does not hold");
        if (summary.Title().text() != card->description)
            return QStringLiteral("the card details show \"%1\" for \"%2\"")
                .arg(summary.Title().text(), card->description);
        break;
    }
    default:
        break;
    }
    if (list.rowCount() != int(expected.size()))
        return QStringLiteral("the summary lists %1 records in mode %2, the wallet has %3")
            .arg(list.rowCount())
            .arg(summary.GetMode())
            .arg(expected.size());
    for (int row = 0; row < list.rowCount(); ++row) {
        if (list.RecordAt(row) != expected[size_t(row)])
            return QStringLiteral("summary row %1 is not %2").arg(row).arg(expected[size_t(row)]->description);
    }
    return {};
}

// "" when every row of a Find window names a card the wallet holds, under its description as it is now.
inline QString FindResultsDifference(const CFindResultsModel& results, const CWallet& wallet) {
    for (int row = 0; row < results.rowCount(); ++row) {
        const qint32 id = results.CardId(row);
        const CCard* card = wallet.Cards().FindById(id);
        if (!card)
            return QStringLiteral("found row %1 names card %2, which the wallet does not hold").arg(row).arg(id);
        const QString shown = results.index(row).data().toString();
        if (shown != card->description)
            return QStringLiteral("found row %1 shows \"%2\" for \"%3\"").arg(row).arg(shown, card->description);
    }
    return {};
}
