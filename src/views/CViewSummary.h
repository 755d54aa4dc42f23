// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <array>

class CCard;
class CCategory;
class CIconListModel;
class CItemListCtrl;
class CLinkLabel;
class CSeparatorLine;
class CWallet;
class ViewHost;
class QScrollArea;
class QStackedWidget;

// The summary pane: blank, the wallet's categories or one category's cards as large icons, or one card's fields as
// rows of values and names in the card's own colours, web and e-mail values as links and passwords masked when the
// card hides them. The icon lists carry out the item commands on their selected item.
class CViewSummary : public QWidget {
    Q_OBJECT

public:
    enum Mode { kBlank = 0, kCategoryList = 1, kCardList = 2, kCardDetails = 3 };
    static constexpr int kRows = 15;
    static constexpr const char* kMaskedPassword = "******";

    CViewSummary(CWallet& wallet, ViewHost& host, QWidget* parent);
    ~CViewSummary() override;

    void SetMode(int mode);
    int GetMode() const { return m_mode; }
    // The card that the details mode shows; the card's own Show() sets it.
    void SetCurrentCard(const CCard* card) { m_currentCard = card; }
    const CCard* CurrentCard() const { return m_currentCard; }
    // Item actions on the list's selected item (the tree's action numbers).
    void DoListAction(int action);
    // The item command kind: 0 no wallet or no selection, 1 a category selected, 2 a card selected.
    int ListKind() const;
    // The card selected in the card list; null in the other modes.
    const CCard* SelectedCard() const;
    // Copies the value of a row of the details mode, as the row's "Copy" or a double-click does.
    void CopyRowValue(int row);
    // Called through the records while a list is filled, or for one record afterwards.
    void InsertCategory(const CCategory& category, bool select);
    void InsertCard(const CCard& card, bool select);

    CItemListCtrl& ListCtrl() { return *m_list; }
    CIconListModel& ListModel() { return *m_listModel; }
    // The scrolling area of a card's rows.
    QScrollArea& Details() { return *m_details; }
    // The rows of the details mode: the value and the name label of each row, in order.
    const CLinkLabel& Title() const { return *m_title; }
    const CLinkLabel& ValueLabel(int row) const { return *m_values[size_t(row)]; }
    const CLinkLabel& NameLabel(int row) const { return *m_names[size_t(row)]; }
    int ShownRows() const { return m_shownRows; }

Q_SIGNALS:
    void captionChanged(const QString& caption);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FollowWallet(CWallet& wallet);
    void OnCategoryChanged(const CCategory& category);
    void OnCardChanged(const CCard& card, qint32 oldCategoryId);
    QWidget* BuildDetails();
    void FillCategories();
    void FillCards();
    void FillDetails();
    void SetColors(const QColor& background, const QColor& text);
    void CategoryAction(int action, CCategory& category);
    void CardAction(int action, CCard* card);
    void Select(int row);

    CWallet& m_wallet;
    ViewHost& m_host;
    int m_mode = kBlank;
    const CCard* m_currentCard = nullptr;
    int m_shownRows = 0;
    bool m_filling = false;
    QStackedWidget* m_stack;
    QWidget* m_blank;
    CItemListCtrl* m_list;
    CIconListModel* m_listModel;
    QScrollArea* m_details;
    CLinkLabel* m_title = nullptr;
    CSeparatorLine* m_separator = nullptr;
    std::array<CLinkLabel*, kRows> m_values{};
    std::array<CLinkLabel*, kRows> m_names{};
    // The card's slot behind each shown row.
    std::array<int, kRows> m_rowSlots{};
};
