// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <unordered_map>
#include <unordered_set>
#include <vector>

class CCard;
class CWallet;

// The search behind the field above the tree: the cards whose description, values or notes hold a text, case-blind.
// It works in short slices between the user's keystrokes, so typing never waits on it; a new text ends the search
// under way, and a text that only extends the last one looks at the last one's matches alone. Each card's texts are
// folded to one case once, and kept until the card changes or the wallet locks, so a search compares plain units.
// Cards of categories kept out of sight while the wallet is locked are not searched.
class CCardFilter : public QObject {
    Q_OBJECT

public:
    explicit CCardFilter(CWallet& wallet, QObject* parent = nullptr);

    // Starts searching for `text`; an empty text ends the filter at once.
    void SetText(const QString& text);
    // Folds the cards' texts ahead of a search, in the same slices, when the user is about to search.
    void Prepare();
    const QString& Text() const { return m_text; }
    bool IsActive() const { return !m_text.isEmpty(); }
    bool IsSearching() const { return m_slicer.isActive() || m_again.isActive(); }
    // The ids of the cards found by the last finished search.
    const std::unordered_set<qint32>& Matches() const { return m_matches; }
    // The same cards, in the wallet's order, while no record changed since they were found; null after a change.
    const std::vector<const CCard*>* MatchedCards() const { return m_cardsValid ? &m_matchedCards : nullptr; }

Q_SIGNALS:
    // A search finished, or the filter ended (the text is empty).
    void changed();

private:
    void Restart();
    void RunSlice();
    bool MaySearch(const CCard& card) const;
    const QString& Folded(const CCard& card);
    void Forget();

    CWallet& m_wallet;
    QString m_text;
    // The text whose matches m_matches holds, and whether they are complete for it.
    QString m_matchedText;
    QString m_foldedText;
    std::unordered_map<qint32, QString> m_folded;
    std::unordered_set<qint32> m_matches;
    std::vector<const CCard*> m_matchedCards;
    bool m_cardsValid = false;
    // The search under way: the cards still to look at, and what it found so far.
    std::vector<const CCard*> m_pending;
    size_t m_next = 0;
    std::vector<const CCard*> m_found;
    QTimer m_slicer;
    QTimer m_again;
};
