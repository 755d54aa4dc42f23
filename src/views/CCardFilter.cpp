// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CCardFilter.h"

#include "document/CWallet.h"
#include "model/CCard.h"
#include "model/CCategory.h"

namespace {
// Long enough to get through many cards, short enough that a key typed meanwhile shows at once.
constexpr qint64 kSliceMs = 8;
constexpr size_t kCardsBetweenClockReads = 256;
} // namespace

CCardFilter::CCardFilter(CWallet& wallet, QObject* parent) : QObject(parent), m_wallet(wallet) {
    m_slicer.setInterval(0);
    connect(&m_slicer, &QTimer::timeout, this, &CCardFilter::RunSlice);
    m_again.setSingleShot(true);
    m_again.setInterval(0);
    connect(&m_again, &QTimer::timeout, this, &CCardFilter::Restart);
    // The cards under way may go with any change of the wallet; what was found stays valid as ids until the search
    // run again replaces it.
    const auto again = [this] {
        m_matchedText.clear();
        m_cardsValid = false;
        m_matchedCards.clear();
        m_slicer.stop();
        m_pending.clear();
        m_found.clear();
        // Searched again once the change is over: a card about to go is still in the wallet now.
        if (IsActive())
            m_again.start();
    };
    const auto forgetCard = [this](const CCard& card) { m_folded.erase(card.id); };
    connect(&wallet, &CWallet::aboutToReset, this, [this, again] {
        m_folded.clear();
        again();
    });
    connect(&wallet, &CWallet::cardAdded, this, again);
    connect(&wallet, &CWallet::cardChanged, this, forgetCard);
    connect(&wallet, &CWallet::cardChanged, this, again);
    connect(&wallet, &CWallet::cardAboutToBeRemoved, this, forgetCard);
    connect(&wallet, &CWallet::cardAboutToBeRemoved, this, again);
    // A category shows in a filtered tree only with matches: one added or changed is for the search to place.
    connect(&wallet, &CWallet::categoryAdded, this, again);
    connect(&wallet, &CWallet::categoryChanged, this, again);
    // A refresh may change what is kept out of sight (the desktop's password check switched on or off).
    connect(&wallet, &CWallet::updated, this, again);
    // The folded texts are a copy of the secrets: they go with the lock.
    connect(&wallet, &CWallet::lockChanged, this, [this, again](bool locked) {
        if (locked)
            m_folded.clear();
        again();
    });
}

// Folding only: the slices go through the cards not folded yet and find nothing.
void CCardFilter::Prepare() {
    if (IsActive() || IsSearching())
        return;
    m_pending.clear();
    m_next = 0;
    for (const CCard* card : m_wallet.Cards()) {
        if (MaySearch(*card) && !m_folded.count(card->id))
            m_pending.push_back(card);
    }
    if (!m_pending.empty())
        m_slicer.start();
}

// The texts a search looks at, folded to one case; a line break between them, which no search text holds, keeps a
// match from running from one text into the next.
const QString& CCardFilter::Folded(const CCard& card) {
    auto found = m_folded.find(card.id);
    if (found != m_folded.end())
        return found->second;
    QString text = card.description;
    for (size_t slot = 0; slot < card.values.KeptCount(); ++slot) {
        text += u'\n';
        text += card.values[slot];
    }
    text += u'\n';
    text += card.notes;
    return m_folded.emplace(card.id, text.toCaseFolded()).first->second;
}

void CCardFilter::SetText(const QString& text) {
    if (text == m_text)
        return;
    m_text = text;
    Restart();
}

void CCardFilter::Restart() {
    m_again.stop();
    m_slicer.stop();
    m_pending.clear();
    m_found.clear();
    m_next = 0;
    if (m_text.isEmpty()) {
        const bool wasActive = !m_matchedText.isEmpty() || !m_matches.empty();
        m_matches.clear();
        m_matchedCards.clear();
        m_cardsValid = false;
        m_matchedText.clear();
        m_foldedText.clear();
        if (wasActive)
            Q_EMIT changed();
        return;
    }
    m_foldedText = m_text.toCaseFolded();
    // A longer text can only be found where its shorter start was.
    if (m_cardsValid && !m_matchedText.isEmpty() && m_text.contains(m_matchedText, Qt::CaseInsensitive)) {
        m_pending = m_matchedCards;
    } else {
        m_pending.reserve(size_t(m_wallet.Cards().Count()));
        for (const CCard* card : m_wallet.Cards())
            m_pending.push_back(card);
    }
    m_slicer.start();
}

bool CCardFilter::MaySearch(const CCard& card) const {
    if (!m_wallet.IsGuarded())
        return true;
    const CCategory* category = m_wallet.Categories().FindById(card.categoryId);
    return !category || !category->RequiresPassword();
}

void CCardFilter::RunSlice() {
    QElapsedTimer slice;
    slice.start();
    while (m_next < m_pending.size()) {
        const CCard* card = m_pending[m_next++];
        if (!MaySearch(*card))
            continue;
        const QString& folded = Folded(*card);
        if (!m_text.isEmpty() && folded.contains(m_foldedText))
            m_found.push_back(card);
        if (m_next % kCardsBetweenClockReads == 0 && slice.elapsed() >= kSliceMs)
            return;
    }
    m_slicer.stop();
    m_pending.clear();
    if (m_text.isEmpty())
        return;
    m_matches.clear();
    m_matches.reserve(m_found.size());
    for (const CCard* card : m_found)
        m_matches.insert(card->id);
    m_matchedCards = std::move(m_found);
    m_found.clear();
    m_cardsValid = true;
    m_matchedText = m_text;
    Q_EMIT changed();
}
