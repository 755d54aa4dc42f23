// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QModelIndex>
#include <QWidget>

#include <functional>
#include <vector>

class CCard;
class CCardFilter;
class CCategory;
class CItemTreeCtrl;
class QLineEdit;
class CWallet;
class ViewHost;
class CTreeModel;

// The tree of the open wallet: the root "Korvel", its categories and their cards, under a search field that filters
// it to the cards holding a text. Selecting an item shows it in the summary; the view carries out the item commands
// on the selected item, guards the categories that ask for the password, and rebuilds itself whenever the wallet
// changes.
class CViewCategoriesCards : public QWidget {
    Q_OBJECT

public:
    // Item actions of DoAction.
    enum Action { Show = 0, Properties = 1, Delete = 2, Cut = 3, Copy = 4, Paste = 5 };

    CViewCategoriesCards(CWallet& wallet, ViewHost& host, QWidget* parent);
    ~CViewCategoriesCards() override;

    // Rebuilds the whole tree; a non-zero category is expanded, a non-zero card selected.
    void Refill(qint32 categoryId, qint32 cardId);
    // Where the user is in the tree, by record ids, so that it outlasts a wallet read again: the selected item and
    // the opened categories.
    struct Place {
        qint32 categoryId = 0;
        qint32 cardId = 0;
        QList<qint32> expanded;
    };
    Place CurrentPlace() const;
    // Goes back to the place as far as its records are still shown; nothing is asked.
    void RestorePlace(const Place& place);
    // Carries out an item action on `item`, or on the selected item when `item` is invalid.
    void DoAction(int action, const QModelIndex& item = {});
    // The New Card command: a card in the selected category, or in the selected card's category.
    void NewCard();
    void NewCategory();
    void SelectCard(qint32 cardId);
    void SelectCategory(qint32 categoryId);
    // The level of the selected item for the item commands: 0 none or the root, 1 a category, 2 a card.
    int SelectedKind() const;
    // The selected card; null when a category, the root or nothing is selected.
    const CCard* SelectedCard() const;
    // Called through the records while the tree is refilled.
    void InsertCategory(const CCategory& category, bool select);
    void InsertCard(const CCard& card, bool select);

    CItemTreeCtrl& TreeCtrl() { return *m_treeCtrl; }
    QLineEdit& SearchField() { return *m_search; }
    CCardFilter& Filter() { return *m_filter; }
    // Puts the focus in the search field with its text selected, asking for the password first if the wallet keeps
    // cards out of sight.
    void FocusSearch();
    CTreeModel& Model() { return *m_model; }

Q_SIGNALS:
    void selectionShown();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnFilterChanged();
    void ShowMatches();
    bool SearchKey(int key);
    void OnSearchFocused();
    void FollowWallet(CWallet& wallet);
    void WhileRemoving(const std::function<void()>& remove);
    void AfterRemoval();
    void OnCurrentChanged(const QModelIndex& current);
    void OnExpanded(const QModelIndex& index);
    void ShowCategory(const CCategory& category);
    void CategoryAction(int action, CCategory& category);
    void CardAction(int action, CCard& card);
    void Select(const QModelIndex& index);

    CWallet& m_wallet;
    ViewHost& m_host;
    CTreeModel* m_model;
    CItemTreeCtrl* m_treeCtrl;
    QLineEdit* m_search;
    CCardFilter* m_filter;
    // A refusal of the password is not asked again until the search starts anew.
    bool m_searchAsked = false;
    // The cards of the whole tree in its order, while no record changed since it was last filled whole: a search
    // then shows its matches without sorting them again.
    std::vector<const CCard*> m_treeOrder;
    qint32 m_pendingCategoryId = 0;
    qint32 m_selectCardId = 0;
    bool m_filling = false;
    bool m_removing = false;
    bool m_lostSelection = false;
};
