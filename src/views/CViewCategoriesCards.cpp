// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CViewCategoriesCards.h"

#include "document/CWallet.h"
#include "views/CCardFilter.h"
#include "views/CItemTreeCtrl.h"
#include "views/CTreeModel.h"
#include "views/CViewSummary.h"
#include "views/ViewHost.h"
#include "widgets/Commands.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QVBoxLayout>

#include <unordered_map>
#include <unordered_set>
#include <vector>

CViewCategoriesCards::CViewCategoriesCards(CWallet& wallet, ViewHost& host, QWidget* parent)
    : QWidget(parent), m_wallet(wallet), m_host(host), m_model(new CTreeModel(this)),
      m_treeCtrl(new CItemTreeCtrl(this)), m_search(new QLineEdit(this)), m_filter(new CCardFilter(wallet, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_search);
    layout->addWidget(m_treeCtrl);
    m_search->setObjectName(QStringLiteral("search"));
    m_search->setPlaceholderText(tr("Search cards (Ctrl+E)"));
    m_search->setAccessibleName(tr("Search cards"));
    m_search->setClearButtonEnabled(true);
    m_search->installEventFilter(this);
    connect(m_search, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.isEmpty())
            m_searchAsked = false;
        m_filter->SetText(text);
    });
    connect(m_filter, &CCardFilter::changed, this, &CViewCategoriesCards::OnFilterChanged);
    m_treeCtrl->setModel(m_model);
    m_treeCtrl->setHeaderHidden(true);
    m_treeCtrl->setUniformRowHeights(true);
    m_treeCtrl->setFont(host.DisplayFont());
    m_treeCtrl->setAccessibleName(tr("Categories and cards"));
    m_treeCtrl->SetMenuBuilder([this] { return m_host.BuildContextMenu(ViewHost::kTreeMenu); });
    connect(m_treeCtrl, &CItemTreeCtrl::commandChosen, this, [this](int command) {
        m_treeCtrl->setFocus();
        m_host.RunCommand(command);
    });
    connect(m_treeCtrl->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { OnCurrentChanged(current); });
    connect(m_treeCtrl, &QTreeView::expanded, this, &CViewCategoriesCards::OnExpanded);
    connect(m_treeCtrl, &QTreeView::doubleClicked, this,
            [this](const QModelIndex& index) { DoAction(Properties, index); });
    FollowWallet(m_wallet);
}

// The tree follows each change of the records row by row, and is filled anew only when the wallet is read, made or
// locked; before the wallet lets go of its records, the tree lets go of them.
void CViewCategoriesCards::FollowWallet(CWallet& wallet) {
    const auto forgetOrder = [this] { m_treeOrder.clear(); };
    connect(&wallet, &CWallet::aboutToReset, this, forgetOrder);
    connect(&wallet, &CWallet::lockChanged, this, forgetOrder);
    for (auto change : {&CWallet::cardAdded, &CWallet::cardAboutToBeRemoved})
        connect(&wallet, change, this, forgetOrder);
    connect(&wallet, &CWallet::cardChanged, this, forgetOrder);
    for (auto change : {&CWallet::categoryAdded, &CWallet::categoryChanged, &CWallet::categoryAboutToBeRemoved})
        connect(&wallet, change, this, forgetOrder);
    connect(&wallet, &CWallet::updated, this, [this] { Refill(0, 0); });
    connect(&wallet, &CWallet::aboutToReset, m_model, &CTreeModel::Clear);
    connect(&wallet, &CWallet::wasReset, this, [this] { Refill(0, 0); });
    connect(&wallet, &CWallet::categoryAdded, m_model, &CTreeModel::InsertCategory);
    connect(&wallet, &CWallet::categoryChanged, this, [this](const CCategory& category) {
        if (!m_model->UpdateCategory(category)) {
            Refill(0, 0);
            SelectCategory(category.id);
        }
    });
    connect(&wallet, &CWallet::categoryAboutToBeRemoved, this,
            [this](const CCategory& category) { WhileRemoving([&] { m_model->RemoveCategory(category); }); });
    connect(&wallet, &CWallet::categoryRemoved, this, &CViewCategoriesCards::AfterRemoval);
    connect(&wallet, &CWallet::cardAdded, m_model, &CTreeModel::InsertCard);
    connect(&wallet, &CWallet::cardChanged, m_model, &CTreeModel::UpdateCard);
    // The selected card moved into a closed category: open it, so the selection stays in sight.
    connect(&wallet, &CWallet::cardChanged, this, [this](const CCard& card) {
        const QModelIndex current = m_treeCtrl->currentIndex();
        if (m_model->CardAt(current) == &card) {
            m_treeCtrl->expand(current.parent());
            m_treeCtrl->scrollTo(current);
        }
    });
    connect(&wallet, &CWallet::cardAboutToBeRemoved, this,
            [this](const CCard& card) { WhileRemoving([&] { m_model->RemoveCard(card); }); });
    connect(&wallet, &CWallet::cardRemoved, this, &CViewCategoriesCards::AfterRemoval);
}

// Removing the selected row moves the selection to a neighbour while the record is still in the wallet: showing the
// neighbour then would fill the summary with a record about to go. The selection goes to the root once it has gone.
void CViewCategoriesCards::WhileRemoving(const std::function<void()>& remove) {
    const QModelIndex before = m_treeCtrl->currentIndex();
    m_removing = true;
    remove();
    m_removing = false;
    m_lostSelection = m_lostSelection || m_treeCtrl->currentIndex() != before;
}

void CViewCategoriesCards::AfterRemoval() {
    if (!m_lostSelection)
        return;
    m_lostSelection = false;
    Select(m_model->RootIndex());
}

CViewCategoriesCards::~CViewCategoriesCards() = default;

// Cards are grouped by category once, so a rebuild costs one pass over the wallet and a sort.
void CViewCategoriesCards::Refill(qint32 categoryId, qint32 cardId) {
    CWallet& wallet = m_wallet;
    m_filling = true;
    m_selectCardId = 0;
    m_model->Begin(m_host.ItemIconSize(), wallet.IsGuarded());
    m_treeCtrl->setIconSize(QSize(m_host.ItemIconSize(), m_host.ItemIconSize()));
    const bool filtered = m_filter->IsActive();
    const std::unordered_set<qint32>& matches = m_filter->Matches();
    const std::vector<const CCard*>* found = filtered ? m_filter->MatchedCards() : nullptr;
    // Many matches are taken in the order of the whole tree, which spares sorting them; a few are sorted.
    const bool inOrder = filtered && !m_treeOrder.empty() && (!found || found->size() * 8 > m_treeOrder.size());
    std::unordered_map<qint32, std::vector<const CCard*>> byCategory;
    const auto add = [&](const CCard* card) { byCategory[card->categoryId].push_back(card); };
    if (inOrder) {
        for (const CCard* card : m_treeOrder) {
            if (matches.count(card->id))
                add(card);
        }
    } else if (found) {
        std::for_each(found->begin(), found->end(), add);
    } else {
        for (const CCard* card : wallet.Cards()) {
            if (!filtered || matches.count(card->id))
                add(card);
        }
    }
    for (const CCategory* category : wallet.Categories()) {
        const std::vector<const CCard*>& cards = byCategory[category->id];
        // A search shows cards; a category that shows none, found or not, only stands in the way.
        if (filtered && (cards.empty() || (wallet.IsGuarded() && category->RequiresPassword())))
            continue;
        category->AddToTree(false);
        for (const CCard* card : cards)
            card->AddToTree(card->id == cardId);
    }
    m_model->End(inOrder);
    if (!filtered)
        m_treeOrder = m_model->CardsInOrder();
    m_filling = false;
    m_treeCtrl->expand(m_model->RootIndex());
    if (filtered) {
        ShowMatches();
        return;
    }
    QModelIndex selection;
    if (categoryId != 0 && (selection = m_model->CategoryIndex(categoryId)).isValid())
        m_treeCtrl->expand(selection);
    if (m_selectCardId != 0)
        selection = m_model->CardIndex(m_selectCardId);
    if (m_pendingCategoryId != 0) {
        selection = m_model->CategoryIndex(m_pendingCategoryId);
        m_pendingCategoryId = 0;
        m_treeCtrl->expand(selection);
    }
    Select(selection.isValid() ? selection : m_model->RootIndex());
    m_host.UpdateCommands();
}

// Every category left holds matches and is opened, in one pass over the rows (opened one by one, each would lay out
// the rows below it again); the first match is selected, so the summary shows it.
void CViewCategoriesCards::ShowMatches() {
    m_treeCtrl->expandAll();
    const QModelIndex root = m_model->RootIndex();
    QModelIndex first;
    for (int row = 0; row < m_model->rowCount(root) && !first.isValid(); ++row)
        first = m_model->index(0, 0, m_model->index(row, 0, root));
    Select(first.isValid() ? first : root);
    m_host.UpdateCommands();
}

void CViewCategoriesCards::OnFilterChanged() {
    const CCard* selected = SelectedCard();
    Refill(0, m_filter->IsActive() || !selected ? 0 : selected->id);
}

void CViewCategoriesCards::FocusSearch() {
    m_search->setFocus(Qt::ShortcutFocusReason);
    m_search->selectAll();
}

// The password is asked for as the search starts, before the first key, so no key typed goes to the keypad; then
// the cards' texts are made ready while the user types.
void CViewCategoriesCards::OnSearchFocused() {
    if (!m_searchAsked && m_search->text().isEmpty() && m_wallet.IsGuarded()) {
        m_searchAsked = true;
        m_wallet.RequestAccess(QString());
    }
    m_filter->Prepare();
}

// Down goes into the results, Enter opens the selected card, Escape empties the field (and an empty field gives
// the focus back to the tree).
bool CViewCategoriesCards::SearchKey(int key) {
    switch (key) {
    case Qt::Key_Down:
        m_treeCtrl->setFocus(Qt::TabFocusReason);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (SelectedKind() == 2)
            DoAction(Properties);
        return true;
    case Qt::Key_Escape:
        if (m_search->text().isEmpty())
            m_treeCtrl->setFocus(Qt::TabFocusReason);
        m_search->clear();
        return true;
    default:
        return false;
    }
}

bool CViewCategoriesCards::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_search) {
        if (event->type() == QEvent::FocusIn)
            QTimer::singleShot(0, this, &CViewCategoriesCards::OnSearchFocused);
        else if (event->type() == QEvent::KeyPress && SearchKey(static_cast<QKeyEvent*>(event)->key()))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

CViewCategoriesCards::Place CViewCategoriesCards::CurrentPlace() const {
    Place place;
    const QModelIndex current = m_treeCtrl->currentIndex();
    if (const CCard* card = m_model->CardAt(current))
        place.cardId = card->id;
    if (const CCategory* category = m_model->CategoryAt(current))
        place.categoryId = category->id;
    const QModelIndex root = m_model->RootIndex();
    for (int row = 0; row < m_model->rowCount(root); ++row) {
        const QModelIndex index = m_model->index(row, 0, root);
        if (m_treeCtrl->isExpanded(index))
            place.expanded.append(m_model->CategoryAt(index)->id);
    }
    return place;
}

void CViewCategoriesCards::RestorePlace(const Place& place) {
    for (qint32 id : place.expanded) {
        const QModelIndex index = m_model->CategoryIndex(id);
        if (index.isValid() && index.data(CTreeModel::kIdRole).toInt() >= 0)
            m_treeCtrl->expand(index);
    }
    QModelIndex selection = place.cardId ? m_model->CardIndex(place.cardId) : QModelIndex();
    if (!selection.isValid() && place.categoryId)
        selection = m_model->CategoryIndex(place.categoryId);
    if (selection.isValid())
        Select(selection);
}

// Outside a refill the record is in the tree already: the wallet announced it.
void CViewCategoriesCards::InsertCategory(const CCategory& category, bool select) {
    if (m_filling) {
        m_model->AddCategory(category);
        return;
    }
    if (select)
        SelectCategory(category.id);
}

void CViewCategoriesCards::InsertCard(const CCard& card, bool select) {
    if (m_filling) {
        m_model->AddCard(card);
        if (select)
            m_selectCardId = card.id;
        return;
    }
    if (select)
        SelectCard(card.id);
}

void CViewCategoriesCards::NewCard() {
    const QModelIndex index = m_treeCtrl->currentIndex();
    const CCategory* category = m_model->CategoryAt(index);
    if (const CCard* card = category ? nullptr : m_model->CardAt(index))
        category = m_wallet.Categories().FindById(card->categoryId);
    if (!category)
        return;
    m_host.SetCurrentCategoryId(category->id);
    m_host.AddItem(ViewHost::kAddCard);
}

void CViewCategoriesCards::NewCategory() {
    m_host.AddItem(ViewHost::kAddCategory);
}

void CViewCategoriesCards::Select(const QModelIndex& index) {
    m_treeCtrl->setCurrentIndex(index);
    m_treeCtrl->scrollTo(index);
    m_treeCtrl->setFocus();
}

// A card of a protected category is out of the tree while the wallet is locked: the password brings it in.
void CViewCategoriesCards::SelectCard(qint32 cardId) {
    QModelIndex index = m_model->CardIndex(cardId);
    if (!index.isValid() && m_wallet.Cards().FindById(cardId) && m_wallet.RequestAccess(QString()))
        index = m_model->CardIndex(cardId);
    if (!index.isValid())
        return;
    m_treeCtrl->expand(index.parent());
    Select(index);
}

void CViewCategoriesCards::SelectCategory(qint32 categoryId) {
    const QModelIndex index = m_model->CategoryIndex(categoryId);
    if (index.isValid())
        Select(index);
}

const CCard* CViewCategoriesCards::SelectedCard() const {
    return m_model->CardAt(m_treeCtrl->currentIndex());
}

int CViewCategoriesCards::SelectedKind() const {
    return m_treeCtrl->GetItemLevel(m_treeCtrl->currentIndex());
}

void CViewCategoriesCards::OnCurrentChanged(const QModelIndex& current) {
    if (!m_filling && !m_removing && current.isValid())
        DoAction(Show, current);
    m_host.UpdateCommands();
}

// A category that asks for the password opens only once the wallet is unlocked; unlocking rebuilds the tree, and
// the pending id brings the category back opened and selected.
void CViewCategoriesCards::OnExpanded(const QModelIndex& index) {
    const CCategory* category = m_model->CategoryAt(index);
    if (!category || index.data(CTreeModel::kIdRole).toInt() >= 0)
        return;
    m_treeCtrl->collapse(index);
    m_pendingCategoryId = category->id;
    m_wallet.RequestAccess(QString());
    m_pendingCategoryId = 0;
}

void CViewCategoriesCards::DoAction(int action, const QModelIndex& item) {
    const QModelIndex index = item.isValid() ? item : m_treeCtrl->currentIndex();
    if (!index.isValid())
        return;
    if (index == m_model->RootIndex()) {
        m_host.Summary().SetMode(CViewSummary::kCategoryList);
        m_host.SetNotesText(QString());
        return;
    }
    if (const CCategory* category = m_model->CategoryAt(index)) {
        // A category shown opens in the tree too; one that waits for the password opens once it is given.
        if (action == Show && index.data(CTreeModel::kIdRole).toInt() > 0)
            m_treeCtrl->expand(index);
        if (CCategory* record = m_wallet.Categories().FindById(category->id))
            CategoryAction(action, *record);
    } else if (const CCard* card = m_model->CardAt(index)) {
        if (CCard* record = m_wallet.Cards().FindById(card->id))
            CardAction(action, *record);
    }
}

// Unlocking rebuilds the tree; the pending id keeps the category selected in the new one.
void CViewCategoriesCards::ShowCategory(const CCategory& category) {
    if (category.RequiresPassword()) {
        m_pendingCategoryId = category.id;
        const bool granted = m_wallet.RequestAccess(QString());
        m_pendingCategoryId = 0;
        if (!granted) {
            m_host.Summary().SetMode(CViewSummary::kBlank);
            return;
        }
    }
    m_host.SetCurrentCategoryId(category.id);
    m_host.Summary().SetMode(CViewSummary::kCardList);
    m_host.SetNotesText(QString());
}

void CViewCategoriesCards::CategoryAction(int action, CCategory& category) {
    CWallet& wallet = m_wallet;
    switch (action) {
    case Show:
        ShowCategory(category);
        break;
    case Properties:
        if (wallet.EditCategory(category))
            SelectCategory(category.id);
        break;
    case Delete:
        if (wallet.DeleteCategory(category.id))
            Select(m_model->RootIndex());
        break;
    case Paste:
        if (const qint32 pasted = wallet.CardClipboard(CWallet::kPaste, nullptr, category.id))
            SelectCard(pasted);
        m_host.UpdateCommands();
        break;
    default:
        break;
    }
}

void CViewCategoriesCards::CardAction(int action, CCard& card) {
    CWallet& wallet = m_wallet;
    switch (action) {
    case Show:
        card.Show();
        break;
    case Properties:
        if (wallet.EditCard(card))
            SelectCard(card.id);
        break;
    case Delete:
        if (wallet.DeleteCard(card.id))
            Select(m_model->RootIndex());
        break;
    case Cut:
        wallet.CardClipboard(CWallet::kCut, &card, 0);
        m_host.UpdateCommands();
        break;
    case Copy:
        wallet.CardClipboard(CWallet::kCopy, &card, 0);
        m_host.UpdateCommands();
        break;
    default:
        break;
    }
}
