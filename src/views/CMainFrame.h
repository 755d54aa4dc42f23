// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "document/WalletPropertiesEditor.h"
#include "model/RecordDisplay.h"
#include "views/ViewHost.h"

#include <QFont>
#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>

class CAwayLock;
class CNotesPane;
class CRecordEditorDialogs;
class CViewCategoriesCards;
class CViewSummary;
class CWallet;
class CWalletFollower;
class QAction;
class QDockWidget;
class QLabel;
class QMenu;

// The main window: the category and card tree in the middle, the card summary and the notes docked at the right,
// the menu bar, toolbar and status bar, the automatic lock, zoom and the recent wallets. It owns the commands that
// belong to no view and sends the item commands to the view that has the focus.
class CMainFrame : public QMainWindow, public RecordDisplay, public WalletPropertiesEditor, public ViewHost {
    Q_OBJECT

public:
    // Recent wallets kept in the File menu.
    static constexpr int kRecentFiles = 4;

    explicit CMainFrame(CWallet& wallet);
    ~CMainFrame() override;

    // Builds the tree and the summary over the wallet and restarts the automatic lock; once, after start-up opened
    // or made a wallet.
    void CreateViews();

    CWallet& Wallet() { return m_wallet; }
    CViewCategoriesCards& Tree() override { return *m_tree; }
    CViewSummary& Summary() override { return *m_summary; }
    CNotesPane& Notes() { return *m_notes; }
    QAction* Action(int command) const;
    bool IsZoomed() const { return m_zoom; }
    // Item icons: 32 pixels with zoom on, else 16.
    int ItemIconSize() const override { return m_zoom ? 32 : 16; }
    const QFont& DisplayFont() const override { return m_displayFont; }
    qint32 CurrentCategoryId() const override { return m_currentCategoryId; }
    void SetCurrentCategoryId(qint32 id) override { m_currentCategoryId = id; }
    void RunCommand(int command) override;

    void SetNotesText(const QString& text) override;
    void CopySecret(const QString& value, const QString& what) override;
    void UpdateLockPane(bool locked);
    // Restarts the automatic lock's wait, or only stops it.
    void ResetLockTimer(bool stopOnly);
    bool IsLockTimerActive() const;
    int LockTimerInterval() const;
    // The end of a wait of the automatic lock: the user was away for the wallet's minutes.
    void OnLockTimer();
    CAwayLock& AwayLock() { return *m_awayLock; }
    // The item menu for the tree or the summary's icon list; its actions carry their command ids as data.
    std::unique_ptr<QMenu> BuildContextMenu(int kind) override;
    // Opens a wallet after the unsaved changes of the open one are dealt with; true when it was opened.
    bool OpenWalletFile(const QString& path);
    // Brings the command states and the status counts up to date.
    void UpdateCommands() override;
    // Makes a card in the current category (kAddCard) or a category (kAddCategory) in its dialog and, once the user
    // accepts it, adds it to the wallet and selects it in the tree.
    void AddItem(int kind) override;
    // Puts a wallet at the top of the recent-wallet list.
    void AddRecentFile(const QString& path);

    void ShowCard(const CCard& card) override;
    void AddToTree(const CCategory& category, bool select) override;
    void AddToTree(const CCard& card, bool select) override;
    void AddToList(const CCategory& category, bool select) override;
    void AddToList(const CCard& card, bool select) override;
    bool EditProperties(CWallet& wallet, Settings& working) override;

    // The menu of the bars' own right-click: every bar and pane, the menu bar too, so a hidden one comes back.
    QMenu* createPopupMenu() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildActions();
    QAction* MakeAction(int command, const QString& text, const QKeySequence& keys = {});
    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    void OfferBarsMenu();
    void BuildPanes();
    bool IsSidePane(QDockWidget* dock) const;
    void RestoreLayout();
    void Run(int command);
    void RunItemCommand(int command);
    bool ActiveIsSummary() const;
    // The card the item commands act on: the summary list's selected card or the tree's; null when none.
    const CCard* CommandCard() const;
    // The slot Copy User Name or Copy Password takes from the command card; -1 when there is nothing to copy.
    int QuickCopySlot(int command) const;
    void QuickCopy(int command);
    void OpenFind();
    void EditWalletProperties();
    void ExportWithDialog();
    void StartSyncManager();
    void DoNewWallet();
    void OpenWithDialog();
    void ImportWithDialog();
    void MergeWithDialog();
    // Reads or merges the wallet's file after another program changed it, once no dialog holds a record.
    void FollowFile();
    // Runs `read` (which may read the wallet again) with the tree's selection and opened categories kept.
    void KeepingPlace(const std::function<void()>& read);
    void DoSave(bool withNewName);
    bool SaveChanges();
    bool ResolveConflict();
    void ToggleZoom();
    void LockNow();
    void FillRecentFiles();
    void OnWalletUpdated(int hint);
    void UpdateTitle();

    CWallet& m_wallet;
    QFont m_displayFont;
    bool m_zoom = false;
    qint32 m_currentCategoryId = 0;
    CAwayLock* m_awayLock;
    std::map<int, QAction*> m_actions;
    QMenu* m_recentMenu = nullptr;
    QAction* m_unsealAction = nullptr;
    QList<QAction*> m_recentActions;
    QToolBar* m_toolBar = nullptr;
    QDockWidget* m_summaryDock = nullptr;
    QDockWidget* m_notesDock = nullptr;
    // The width of each pane beside the tree as the user left it, with the window's width then.
    struct PaneWidth {
        int pane;
        int frame;
    };
    std::map<const QDockWidget*, PaneWidth> m_paneWidths;
    // The window's width when its panes last settled.
    int m_frameWidth = 0;
    bool m_restoringPanes = false;
    QLabel* m_countsPane = nullptr;
    QLabel* m_lockPane = nullptr;
    QLabel* m_lockIcon = nullptr;
    CViewCategoriesCards* m_tree = nullptr;
    CViewSummary* m_summary = nullptr;
    CNotesPane* m_notes = nullptr;
    QWidget* m_lastActiveView = nullptr;
    std::unique_ptr<CRecordEditorDialogs> m_editor;
    CWalletFollower* m_follower = nullptr;
};
