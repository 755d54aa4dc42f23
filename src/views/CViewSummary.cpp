// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CViewSummary.h"

#include "base/Utilities.h"
#include "document/CWallet.h"
#include "model/CCardTemplate.h"
#include "model/FieldType.h"
#include "resources/StringTable.h"
#include "views/CIconListModel.h"
#include "views/CItemListCtrl.h"
#include "views/CItemTreeCtrl.h"
#include "views/CViewCategoriesCards.h"
#include "views/ViewHost.h"
#include "widgets/CLinkLabel.h"
#include "widgets/CSeparatorLine.h"

#include <QContextMenuEvent>
#include <QGridLayout>
#include <QMenu>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
constexpr int kTitleStyle = 6;
constexpr int kNameStyle = 6;
constexpr int kValueStyle = 5;
constexpr int kPlainStyle = 0;
constexpr int kLinkStyle = 3;
constexpr int kTitleSize = 12;

// Colours are kept as 0x00BBGGRR.
QColor FromStored(quint32 color) {
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}
} // namespace

CViewSummary::CViewSummary(CWallet& wallet, ViewHost& host, QWidget* parent)
    : QWidget(parent), m_wallet(wallet), m_host(host), m_stack(new QStackedWidget(this)), m_blank(new QWidget(this)),
      m_list(new CItemListCtrl(this)), m_listModel(new CIconListModel(this)), m_details(new QScrollArea(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);
    m_list->setModel(m_listModel);
    m_list->setViewMode(QListView::IconMode);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setMovement(QListView::Static);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setIconSize(QSize(CIconListModel::kIconSize, CIconListModel::kIconSize));
    m_list->setGridSize(QSize(100, 80));
    m_list->setWordWrap(true);
    m_list->setFont(host.DisplayFont());
    m_list->setUniformItemSizes(true);
    m_list->SetEmptyText(kStrNoCards);
    m_list->setAccessibleName(StringTable::Text(kStrCardSummaryCaption));
    m_list->SetMenuBuilder([this] { return m_host.BuildContextMenu(ViewHost::kSummaryMenu); });
    connect(m_list, &CItemListCtrl::commandChosen, this, [this](int command) {
        m_list->setFocus();
        m_host.RunCommand(command);
    });
    connect(m_list, &QListView::doubleClicked, this, [this] { DoListAction(CViewCategoriesCards::Show); });
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { m_host.UpdateCommands(); });
    m_details->setWidget(BuildDetails());
    m_details->setWidgetResizable(true);
    m_details->setFrameShape(QFrame::NoFrame);
    m_details->setAccessibleName(StringTable::Text(kStrCardSummaryCaption));
    m_blank->setAccessibleName(StringTable::Text(kStrCardSummaryCaption));
    for (QWidget* page : {m_blank, static_cast<QWidget*>(m_list), static_cast<QWidget*>(m_details)})
        m_stack->addWidget(page);
    SetMode(kBlank);
    FollowWallet(m_wallet);
}

CViewSummary::~CViewSummary() = default;

// The list and the card shown follow each change of the records; before the wallet lets go of its records, the
// summary shows nothing.
void CViewSummary::FollowWallet(CWallet& wallet) {
    connect(&wallet, &CWallet::aboutToReset, this, [this] {
        m_currentCard = nullptr;
        SetMode(kBlank);
    });
    connect(&wallet, &CWallet::categoryAdded, this, &CViewSummary::OnCategoryChanged);
    connect(&wallet, &CWallet::categoryChanged, this, &CViewSummary::OnCategoryChanged);
    connect(&wallet, &CWallet::categoryAboutToBeRemoved, this, [this](const CCategory& category) {
        if (m_mode == kCategoryList)
            m_listModel->Remove(category.id);
        else if (m_mode == kCardList && category.id == m_host.CurrentCategoryId())
            SetMode(kBlank);
    });
    connect(&wallet, &CWallet::cardAdded, this, [this](const CCard& card) { OnCardChanged(card, 0); });
    connect(&wallet, &CWallet::cardChanged, this, &CViewSummary::OnCardChanged);
    connect(&wallet, &CWallet::cardAboutToBeRemoved, this, [this](const CCard& card) {
        if (m_mode == kCardList)
            m_listModel->Remove(card.id);
        if (&card == m_currentCard) {
            m_currentCard = nullptr;
            if (m_mode == kCardDetails)
                SetMode(kBlank);
        }
    });
    connect(&wallet, &CWallet::templateChanged, this, [this] {
        if (m_mode == kCardDetails)
            SetMode(kCardDetails);
    });
}

void CViewSummary::OnCategoryChanged(const CCategory& category) {
    if (m_mode == kCategoryList)
        m_listModel->InsertOrUpdate(category, m_wallet.IsGuarded() && category.RequiresPassword());
    else if (m_mode == kCardList && category.id == m_host.CurrentCategoryId())
        Q_EMIT captionChanged(FormatText(StringTable::Text(kStrCardsCaption), {category.description}));
}

void CViewSummary::OnCardChanged(const CCard& card, qint32 oldCategoryId) {
    const qint32 shown = m_host.CurrentCategoryId();
    if (m_mode == kCardList && card.categoryId == shown)
        m_listModel->InsertOrUpdate(card, false);
    else if (m_mode == kCardList && oldCategoryId == shown)
        m_listModel->Remove(card.id);
    else if (m_mode == kCardDetails && &card == m_currentCard)
        SetMode(kCardDetails);
}

// The title over a line, then a row per filled field: the value at the left, its name ending at the right.
QWidget* CViewSummary::BuildDetails() {
    auto* page = new QWidget;
    page->setAutoFillBackground(true);
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(8, 6, 10, 6);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(4);
    m_title = new CLinkLabel(page);
    m_title->SetStyle(kTitleStyle);
    m_title->SetFontSize(kTitleSize);
    m_title->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_title->setAccessibleName(StringTable::Text(kStrDescription));
    m_title->SetElided(true);
    m_separator = new CSeparatorLine(page);
    grid->addWidget(m_title, 0, 0, 1, 3);
    grid->addWidget(m_separator, 1, 0, 1, 3);
    for (int row = 0; row < kRows; ++row) {
        m_values[size_t(row)] = new CLinkLabel(page);
        m_values[size_t(row)]->setTextFormat(Qt::PlainText);
        m_values[size_t(row)]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // A long value gives way, so its field's name stays in view.
        m_values[size_t(row)]->SetElided(true);
        m_values[size_t(row)]->installEventFilter(this);
        m_values[size_t(row)]->setToolTip(tr("Double-click to copy"));
        m_names[size_t(row)] = new CLinkLabel(page);
        m_names[size_t(row)]->setTextFormat(Qt::PlainText);
        m_names[size_t(row)]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(m_values[size_t(row)], row + 2, 0);
        grid->addWidget(m_names[size_t(row)], row + 2, 2);
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(kRows + 2, 1);
    return page;
}

void CViewSummary::SetMode(int mode) {
    m_mode = mode;
    for (int row = 0; row < kRows; ++row) {
        m_values[size_t(row)]->hide();
        m_values[size_t(row)]->SetLinkTarget(QString());
        m_names[size_t(row)]->hide();
    }
    switch (mode) {
    case kCategoryList:
        m_stack->setCurrentWidget(m_list);
        FillCategories();
        break;
    case kCardList:
        m_stack->setCurrentWidget(m_list);
        FillCards();
        break;
    case kCardDetails:
        // The list is filled again whenever it is shown; hidden, it would only hold records it no longer follows.
        m_listModel->Clear();
        m_stack->setCurrentWidget(m_details);
        FillDetails();
        break;
    default:
        m_listModel->Clear();
        m_stack->setCurrentWidget(m_blank);
        SetColors(palette().color(QPalette::Base), palette().color(QPalette::Text));
        break;
    }
    m_host.UpdateCommands();
}

void CViewSummary::FillCategories() {
    const CWallet& wallet = m_wallet;
    m_list->SetShowEmptyText(false);
    m_filling = true;
    m_listModel->Begin();
    for (const CCategory* category : wallet.Categories())
        category->AddToList(false);
    m_listModel->End();
    m_filling = false;
    Q_EMIT captionChanged(StringTable::Text(kStrCategoriesCaption));
}

void CViewSummary::FillCards() {
    const CWallet& wallet = m_wallet;
    const CCategory* category = wallet.Categories().FindById(m_host.CurrentCategoryId());
    if (!category) {
        m_listModel->Clear();
        return;
    }
    m_list->SetShowEmptyText(true);
    m_filling = true;
    m_listModel->Begin();
    for (const CCard* card : wallet.Cards()) {
        if (card->categoryId == category->id)
            card->AddToList(false);
    }
    m_listModel->End();
    m_filling = false;
    Q_EMIT captionChanged(FormatText(StringTable::Text(kStrCardsCaption), {category->description}));
}

// A record comes back here after a dialog opened from the list closes; the list may show something else by then
// (the automatic lock showed the categories meanwhile), and takes only what it shows.
void CViewSummary::InsertCategory(const CCategory& category, bool select) {
    const bool hidden = m_wallet.IsGuarded() && category.RequiresPassword();
    if (m_filling) {
        m_listModel->Add(category, hidden);
        return;
    }
    if (m_mode != kCategoryList)
        return;
    const int row = m_listModel->InsertOrUpdate(category, hidden);
    if (select)
        Select(row);
}

void CViewSummary::InsertCard(const CCard& card, bool select) {
    if (m_filling) {
        m_listModel->Add(card, false);
        return;
    }
    if (m_mode != kCardList || card.categoryId != m_host.CurrentCategoryId())
        return;
    const int row = m_listModel->InsertOrUpdate(card, false);
    if (select)
        Select(row);
}

void CViewSummary::Select(int row) {
    const QModelIndex index = m_listModel->index(row);
    m_list->setCurrentIndex(index);
    m_list->scrollTo(index);
}

void CViewSummary::SetColors(const QColor& background, const QColor& text) {
    QPalette colors = m_details->widget()->palette();
    colors.setColor(QPalette::Window, background);
    colors.setColor(QPalette::WindowText, text);
    m_details->widget()->setPalette(colors);
    m_separator->SetColor(text);
    for (CLinkLabel* label : m_values) {
        if (!label->IsLink())
            label->SetTextColor(text);
    }
    for (CLinkLabel* label : m_names)
        label->SetTextColor(text);
    m_title->SetTextColor(text);
}

// Empty values take no row, so the filled ones stand together from the top.
void CViewSummary::FillDetails() {
    const CCard* card = m_currentCard;
    if (!card)
        return;
    Q_EMIT captionChanged(StringTable::Text(kStrCardSummaryCaption));
    m_title->setText(card->description);
    m_shownRows = 0;
    const CCardTemplate* cardTemplate = m_wallet.Templates().FindByInternalName(card->templateName);
    for (int field = 0; cardTemplate && field < CCard::kValueCount; ++field) {
        const QString value = card->values[size_t(field)].toString();
        if (value.isEmpty())
            continue;
        CLinkLabel* valueLabel = m_values[size_t(m_shownRows)];
        const int type = cardTemplate->fields[field].type;
        const QString& name = cardTemplate->fields[field].name;
        const bool masked = type == FieldTypes::Password && card->hidePasswords;
        valueLabel->SetStyle(kValueStyle);
        if (type == FieldTypes::WebAddress || type == FieldTypes::EmailAddress) {
            valueLabel->SetStyle(kLinkStyle);
            valueLabel->SetLinkTarget(type == FieldTypes::EmailAddress ? QStringLiteral("mailto:") + value : value);
        } else {
            // The row may have shown a link before.
            valueLabel->SetStyle(kPlainStyle);
        }
        valueLabel->setText(masked ? QString::fromLatin1(kMaskedPassword) : value);
        // A screen reader reads the row as one: the field's name and its value, a hidden password as hidden.
        valueLabel->setAccessibleName(name + QStringLiteral(": ") + (masked ? tr("hidden") : value));
        valueLabel->show();
        m_rowSlots[size_t(m_shownRows)] = field;
        CLinkLabel* nameLabel = m_names[size_t(m_shownRows)];
        nameLabel->SetStyle(kNameStyle);
        nameLabel->setText(name);
        nameLabel->show();
        ++m_shownRows;
    }
    SetColors(FromStored(card->backColor), FromStored(card->textColor));
}

const CCard* CViewSummary::SelectedCard() const {
    if (m_mode != kCardList)
        return nullptr;
    const QModelIndexList selected = m_list->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? nullptr
                              : m_wallet.Cards().FindById(qAbs(selected.first().data(CIconListModel::kIdRole).toInt()));
}

void CViewSummary::CopyRowValue(int row) {
    if (m_mode != kCardDetails || !m_currentCard || row < 0 || row >= m_shownRows)
        return;
    const int slot = m_rowSlots[size_t(row)];
    m_host.CopySecret(m_currentCard->values[size_t(slot)].toString(), m_names[size_t(row)]->text());
}

// A value row copies its whole value, a masked password too, on a double-click or from its own menu; the label's
// usual menu would copy only what the mouse selected, and of a masked password only the stars.
bool CViewSummary::eventFilter(QObject* watched, QEvent* event) {
    const auto row = std::find(m_values.begin(), m_values.end(), watched);
    if (row == m_values.end() || (event->type() != QEvent::MouseButtonDblClick && event->type() != QEvent::ContextMenu))
        return QWidget::eventFilter(watched, event);
    const int index = int(row - m_values.begin());
    if (event->type() == QEvent::MouseButtonDblClick) {
        CopyRowValue(index);
        return true;
    }
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("ValueMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(tr("&Copy"), this, [this, index] { CopyRowValue(index); });
    menu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
    return true;
}

int CViewSummary::ListKind() const {
    if (m_mode != kCategoryList && m_mode != kCardList)
        return 0;
    if (!m_list->selectionModel()->hasSelection())
        return 0;
    return m_mode == kCategoryList ? 1 : 2;
}

void CViewSummary::DoListAction(int action) {
    const QModelIndexList selected = m_list->selectionModel()->selectedIndexes();
    const qint32 id = selected.isEmpty() ? 0 : qAbs(selected.first().data(CIconListModel::kIdRole).toInt());
    CWallet& wallet = m_wallet;
    if (m_mode == kCategoryList) {
        if (CCategory* category = wallet.Categories().FindById(id))
            CategoryAction(action, *category);
    } else if (m_mode == kCardList) {
        CCard* card = wallet.Cards().FindById(id);
        if (card || action == CViewCategoriesCards::Paste)
            CardAction(action, card);
    }
}

void CViewSummary::CategoryAction(int action, CCategory& category) {
    switch (action) {
    case CViewCategoriesCards::Show:
        if (category.RequiresPassword() && !m_wallet.RequestAccess(QString()))
            return;
        m_host.SetCurrentCategoryId(category.id);
        m_host.Tree().SelectCategory(category.id);
        break;
    case CViewCategoriesCards::Properties:
        if (m_wallet.EditCategory(category))
            category.AddToList(true);
        break;
    case CViewCategoriesCards::Delete:
        m_wallet.DeleteCategory(category.id);
        break;
    default:
        break;
    }
}

void CViewSummary::CardAction(int action, CCard* card) {
    CWallet& wallet = m_wallet;
    switch (action) {
    case CViewCategoriesCards::Show:
        card->Show();
        m_host.Tree().SelectCard(card->id);
        break;
    case CViewCategoriesCards::Properties:
        if (wallet.EditCard(*card))
            card->AddToList(true);
        break;
    case CViewCategoriesCards::Delete:
        wallet.DeleteCard(card->id);
        break;
    case CViewCategoriesCards::Cut:
        wallet.CardClipboard(CWallet::kCut, card, 0);
        break;
    case CViewCategoriesCards::Copy:
        wallet.CardClipboard(CWallet::kCopy, card, 0);
        break;
    case CViewCategoriesCards::Paste: {
        const qint32 category = m_host.CurrentCategoryId();
        const qint32 pasted = wallet.CardClipboard(CWallet::kPaste, nullptr, category);
        if (const CCard* added = wallet.Cards().FindById(pasted))
            added->AddToList(true);
        break;
    }
    default:
        break;
    }
    m_host.UpdateCommands();
}
